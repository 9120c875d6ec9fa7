#pragma once
// The cart and order pages of the preview: shopping cart, customer data, transmission
// and payment, gift service and the terms of business. Their forms carry the field
// names the order script expects, with empty actions so that nothing happens in the
// preview. Each writer follows the step contract of the run.
#include "generator/run_context.h"

namespace vendora {

bool WriteShopCartPage(RunContext& run);
bool WriteOrder1Page(RunContext& run);
bool WriteOrder2Page(RunContext& run);
bool WriteGiftWrapPage(RunContext& run);
bool WritePolicyPage(RunContext& run);

}  // namespace vendora
