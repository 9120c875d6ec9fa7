#include "publish/interim_script_writer.h"

#include <array>
#include <string_view>

#include "common/file_write.h"
#include "generator/run_context.h"

namespace vendora {

namespace {

class StubScriptWriter : public ScriptWriter {
 public:
  explicit StubScriptWriter(const RunContext& run)
      : folder_(run.Folder(ShopSubfolder::Cgi)),
        extension_(run.scriptExtension),
        interpreter_(run.settings.server.interpreterLine.empty() ? "#!/usr/bin/perl\n"
                                                                 : run.settings.server.interpreterLine) {}

  std::string FileName(int index) const override {
    static constexpr std::array<std::string_view, kUploadScriptCount> kNames = {
        "catalog", "order", "webcode.pm", "product.pm", "sales.pm", "olpcnf.pm", "Payvane.pm"};
    if (index < 0 || index >= kUploadScriptCount) return {};
    std::string name(kNames[static_cast<size_t>(index)]);
    if (index < 2) name += extension_;
    return name;
  }

  bool Write(int index) override {
    const std::string name = FileName(index);
    if (name.empty()) return false;
    const std::string body = (index < 2 ? interpreter_ : std::string()) + "# " + name + "\n1;";
    return ReplaceFileContent(folder_ / name, body);
  }

 private:
  std::filesystem::path folder_;
  std::string extension_;
  std::string interpreter_;
};

}  // namespace

std::unique_ptr<ScriptWriter> MakeShopScriptWriter(const RunContext& run) {
  return std::make_unique<StubScriptWriter>(run);
}

}  // namespace vendora
