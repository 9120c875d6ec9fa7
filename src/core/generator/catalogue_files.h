#pragma once
// The nine catalogue data files of a generated shop (data/category.toc, category.idx,
// product.toc, product.idx, items.toc, lines.toc, line.idx, index.toc, index.idx):
// steps 7 to 9 of the generation chain.
//
// Each step needs an open snapshot (OpenSnapshotStep) and loaded page settings
// (LoadPreviewSettings); it re-filters the snapshot's record sets as it goes. Only
// published rows are written, and only parents with at least one written child. The
// pictures of the rows are looked up (product thumbnails are made or refreshed on the
// way) and entered into the run's publish or unused lists; the written data files go
// to the publish list of "data".
//
// Failures: a data file that cannot be created logs the file's two lines, shows them
// in a stop box and fails the step (files created before stay). A database error
// ends the walk, is logged, the files keep what was written and the step fails.
#include <string>

#include "app/shop_paths.h"
#include "common/file_stamp.h"

namespace vendora {

struct RunContext;
struct ShownCatalogue;

// A picture that is there but cannot be read: logged as a warning and listed as
// unused in its folder, so it is neither referenced nor sent.
void SetAsideUnreadablePicture(RunContext& run, ShopSubfolder folder, const std::string& fileName,
                               const FileStamp* stamp);

// The products and categories the shop shows: as the catalogue walk wrote them, or
// (before a walk) read from the tables once per run. Throws DbError.
const ShownCatalogue& Shown(RunContext& run);

// Categories, products and items; fails when no category is written.
bool WriteCatalogueStep(RunContext& run);
// Product lines (never fails for an empty result).
bool WriteProductLinesStep(RunContext& run);
// The product index (never fails for an empty result); sets
// run.settings.indexEntryCount to the entries written.
bool WriteIndexStep(RunContext& run);

}  // namespace vendora
