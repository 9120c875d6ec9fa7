#pragma once
// STAND-IN until the generator's script writer is merged: the one place that makes the
// ScriptWriter of the upload. It names the seven scripts as the shop expects them and
// writes a short Perl stub into each, so that publishing can be run and tested. To
// swap in the real writer, make MakeShopScriptWriter call the generator's
// ScriptFileName / WriteScriptFile for each index and delete the stub texts.
#include <memory>

#include "publish/upload_driver.h"

namespace vendora {

std::unique_ptr<ScriptWriter> MakeShopScriptWriter(const RunContext& run);

}  // namespace vendora
