#include "preview/preview_run.h"

#include "generator/scripts.h"

#include <system_error>

#include "common/program_text.h"
#include "common/prompter.h"
#include "generator/generation.h"
#include "generator/graphic_sets.h"
#include "common/log.h"
#include "generator/scripts.h"
#include "preview/catalogue_pages.h"
#include "preview/order_pages.h"
#include "generator/store_page.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

// The body of the frame set's fallback and of the page list.
constexpr std::string_view kPlainBody = "<BODY BGCOLOR=#C0C0C0 TEXT=#000000 LINK=#0000EE ALINK=#FF0000 VLINK=#551A88>\n";

}  // namespace

bool WriteFrameSetPage(RunContext& run) {
  return WritePreviewPage(run, "FrameSet.html", [](StorePage& page) {
    page.WriteHtmlHead();
    page.WriteMetaTags();
    page.WriteTitle();
    page.WritePolicyScript();
    page.Write("</HEAD>\n<FRAMESET COLS=\"150,*\" FRAMESPACING=0>\n");
    page.Write("<FRAME NAME=\"Left\" NORESIZE SRC=\"Content.html\">\n<FRAME NAME=\"Main\" NORESIZE SRC=\"StoreFront.html\">\n");
    page.Write("<NOFRAMES>\n");
    page.Write(kPlainBody);
    page.Write("No FrameSets available...?!?\n</BODY>\n</NOFRAMES>\n</FRAMESET>\n</HTML>\n");
  });
}

bool WriteContentPage(RunContext& run) {
  return WritePreviewPage(run, "Content.html", [](StorePage& page) {
    page.WriteHtmlHead();
    page.WriteMetaTags();
    page.WritePolicyScript();
    page.Write("</HEAD>\n");
    page.Write(kPlainBody);
    const fs::path folder = page.run.Folder(ShopSubfolder::Preview);
    // The nine content pages, labelled 24560 to 24568.
    for (int i = 0; i < 9; ++i) {
      const std::string file(kPreviewFiles[static_cast<size_t>(i)]);
      const std::string_view label = ProgramText(text::kPreviewLabelShopEntry + i);
      std::error_code ec;
      const bool written = fs::is_regular_file(folder / file, ec) && fs::file_size(folder / file, ec) > 0 && !ec;
      if (written) page.Put("<BR><A HREF=\"%s\" TARGET=\"Main\">%s</A>\n", file, label);
      else page.Put("<BR>%s\n", label);
    }
    page.EndPage();
  });
}

std::vector<RunStep> PreviewChain() {
  return {
      {"snapshot", OpenSnapshotStep},
      {"settings",
       [](RunContext& run) {
         if (!LoadPreviewSettings(run, RunMode::Preview)) return false;
         // The pages carry the same version string as the generated shop's texts.
         run.settings.versionInfo = ScriptVersionInfo();
         return true;
       }},
      {"graphic set", ReadShopGraphicSetStep},
      {"StoreFront.html", WriteStoreFrontPage},
      {"Category.html", WriteCategoryPage},
      {"Product.html", WriteProductPage},
      {"IndexPage.html", WriteIndexPage},
      {"Search.html", WriteSearchPage},
      {"ShopCart.html", WriteShopCartPage},
      {"Order1.html", WriteOrder1Page},
      {"Order2.html", WriteOrder2Page},
      {"GiftWrap.html", WriteGiftWrapPage},
      {"FrameSet.html", WriteFrameSetPage},
      {"Content.html", WriteContentPage},
      {"Policy.html", WritePolicyPage},
      {"done",
       [](RunContext& run) {
         run.log.LogText(text::kPreviewFilesCreated);
         return true;
       }},
  };
}

bool BuildPreview(ShopDatabase& db, const ShopPaths& paths, GenerationLog& log, Prompter& prompter,
                  const Clock& clock) {
  RunContext run(db, paths, log, prompter, clock, RunMode::Preview);
  log.SetRange(0, 15);
  log.SetPosition(0);
  log.LogText(text::kCreatingPreviewFiles);
  // A missing preview folder is made; anything standing in its place fails the first page.
  std::error_code ec;
  fs::create_directories(run.Folder(ShopSubfolder::Preview), ec);
  run.running = true;
  bool ok = true;
  for (const RunStep& step : PreviewChain()) {
    if (!step.run(run)) {
      ok = false;
      break;
    }
  }
  run.running = false;
  run.snapshot.Close();
  run.SavePictureSizes();
  if (!ok) prompter.Show(std::string(ProgramText(text::kPreviewBlockedByErrors)), MessageIcon::Stop);
  return ok;
}

fs::path PreviewFrameSet(const ShopPaths& paths) { return paths.Subfolder(ShopSubfolder::Preview) / "FrameSet.html"; }

}  // namespace vendora
