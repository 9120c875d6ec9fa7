#include "generator/graphic_sets.h"

#include "generator/run_context.h"

namespace vendora {

bool ReadShopGraphicSetStep(RunContext& run) {
  run.log.Step();
  return true;
}
bool WriteColorFileStep(RunContext& run) {
  run.log.Step();
  return true;
}

}  // namespace vendora
