#pragma once
// The catalogue pages: storefront, the first category, the first product, index and
// search. The storefront builder serves both runs: in the preview it is
// "StoreFront.html" with an empty form action; in the generation run it is the shop's
// static entry page, whose buttons enter the catalogue script.
//
// Every writer follows the step contract: writes its page, steps the progress bar
// once, returns false when the page could not be written completely.
#include "generator/run_context.h"

namespace vendora {

class StorePage;

// The storefront's body, from the form to the end of the page; the mode of the run
// decides the form's action.
void WriteStorefront(StorePage& page);
// The product's table as the category page shows it (picture, name, items, buy row).
void WriteProductBlock(StorePage& page, const ProductsRow& product);

bool WriteStoreFrontPage(RunContext& run);
bool WriteCategoryPage(RunContext& run);
bool WriteProductPage(RunContext& run);
bool WriteIndexPage(RunContext& run);
bool WriteSearchPage(RunContext& run);

// The last step of the generation run: the entry page, named by the web-server
// settings' start page, in the shop folder. A file that cannot be created is reported
// as for every generated file.
bool WriteEntryPageStep(RunContext& run);

}  // namespace vendora
