#pragma once
// The nine catalogue data files of a generated shop (data/category.toc, category.idx,
// product.toc, product.idx, items.toc, lines.toc, line.idx, index.toc, index.idx):
// steps 7 to 9 of the generation chain.
namespace vendora {

struct RunContext;

// Categories, products and items; fails when no category is written.
bool WriteCatalogueStep(RunContext& run);
// Product lines (never fails for an empty result).
bool WriteProductLinesStep(RunContext& run);
// The product index (never fails for an empty result).
bool WriteIndexStep(RunContext& run);

}  // namespace vendora
