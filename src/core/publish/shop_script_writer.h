#pragma once
// The ScriptWriter of an upload: the generator's script files, written with the
// settings of the run the upload belongs to.
#include <memory>

#include "publish/upload_driver.h"

namespace vendora {

std::unique_ptr<ScriptWriter> MakeShopScriptWriter(const RunContext& run);

}  // namespace vendora
