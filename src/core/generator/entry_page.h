#pragma once
// The shop's static entry page. Its builder serves both runs: in the generation run it
// is the page named by the web-server settings' start page, whose buttons enter the
// catalogue script; the preview shows the same body as "StoreFront.html" with an empty
// form action.
#include "generator/run_context.h"

namespace vendora {

class StorePage;

// The storefront's body, from the form to the end of the page; the mode of the run
// decides the form's action.
void WriteStorefront(StorePage& page);
// The index chooser with its button (the storefront's and the index page's).
void WriteIndexBlock(StorePage& page);

// The last step of the generation run: the entry page in the shop folder. A file that
// cannot be created is reported as for every generated file.
bool WriteEntryPageStep(RunContext& run);

}  // namespace vendora
