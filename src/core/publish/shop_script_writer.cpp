#include "publish/shop_script_writer.h"

#include "generator/scripts.h"

namespace vendora {

namespace {

class GeneratedScriptWriter : public ScriptWriter {
 public:
  // The settings are copied on the interface thread; the worker then only writes files.
  explicit GeneratedScriptWriter(const RunContext& run) : settings_(ScriptSettingsOf(run)) {}

  std::string FileName(int index) const override {
    if (index < 0 || index >= kScriptCount) return {};
    return ScriptFileName(index, settings_.scriptExtension);
  }

  bool Write(int index) override {
    return index >= 0 && index < kScriptCount && WriteScriptFile(settings_, index);
  }

 private:
  ScriptSettings settings_;
};

}  // namespace

std::unique_ptr<ScriptWriter> MakeShopScriptWriter(const RunContext& run) {
  return std::make_unique<GeneratedScriptWriter>(run);
}

}  // namespace vendora
