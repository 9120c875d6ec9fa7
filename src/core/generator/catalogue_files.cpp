#include "generator/catalogue_files.h"

#include "generator/run_context.h"

namespace vendora {

bool WriteCatalogueStep(RunContext& run) {
  run.log.Step();
  return true;
}
bool WriteProductLinesStep(RunContext& run) {
  run.log.Step();
  return true;
}
bool WriteIndexStep(RunContext& run) {
  run.log.Step();
  return true;
}

}  // namespace vendora
