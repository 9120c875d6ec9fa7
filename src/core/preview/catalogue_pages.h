#pragma once
// The catalogue pages: storefront, the first category, the first product, index and
// search. The storefront is the entry page's body
// (generator/entry_page.h) with an empty form action.
//
// Every writer follows the step contract: writes its page, steps the progress bar
// once, returns false when the page could not be written completely.
#include "generator/run_context.h"

namespace vendora {

class StorePage;

// The product's table as the category page shows it (picture, name, items, buy row).
void WriteProductBlock(StorePage& page, const ProductsRow& product);

bool WriteStoreFrontPage(RunContext& run);
bool WriteCategoryPage(RunContext& run);
bool WriteProductPage(RunContext& run);
bool WriteIndexPage(RunContext& run);
bool WriteSearchPage(RunContext& run);

}  // namespace vendora
