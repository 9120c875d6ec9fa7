#include "generator/server_checks.h"

#include "generator/run_context.h"

namespace vendora {

bool CheckWebServerStep(RunContext& run) {
  run.log.Step();
  return true;
}
bool CheckPayvaneStep(RunContext& run) {
  run.log.Step();
  return true;
}

}  // namespace vendora
