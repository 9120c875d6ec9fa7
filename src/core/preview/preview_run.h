#pragma once
// The preview run: loads the shop snapshot and the page settings in preview mode,
// reads the graphic set and writes the twelve static pages of the preview folder
// (which imitate what the shop's scripts print, with the shop's own data and look).
#include <array>
#include <filesystem>
#include <string_view>
#include <vector>

#include "generator/run_context.h"

namespace vendora {

class Clock;
class GenerationLog;
class Prompter;
class ShopDatabase;

// The page files in the order of the run.
inline constexpr std::array<std::string_view, 12> kPreviewFiles = {
    "StoreFront.html", "Category.html", "Product.html",  "IndexPage.html", "Search.html",  "ShopCart.html",
    "Order1.html",     "Order2.html",   "GiftWrap.html", "FrameSet.html",  "Content.html", "Policy.html"};

bool WriteFrameSetPage(RunContext& run);
// Links the pages that were written with content; the others are listed unlinked.
bool WriteContentPage(RunContext& run);

// The steps of the run: snapshot, page settings, graphic set, the twelve pages, and
// the closing log line.
std::vector<RunStep> PreviewChain();

// Runs the preview: logs 22102, sets the progress bar to 0..15, runs the chain and
// closes the snapshot. When a step fails, shows 20085 (error icon) and returns false.
// The preview window is the caller's: on success it shows <preview folder>/StoreFront.html.
bool BuildPreview(ShopDatabase& db, const ShopPaths& paths, GenerationLog& log, Prompter& prompter,
                  const Clock& clock);

// <shop folder>/preview/FrameSet.html: what the browser is started on.
std::filesystem::path PreviewFrameSet(const ShopPaths& paths);

}  // namespace vendora
