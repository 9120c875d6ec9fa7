#pragma once
// Checks of the server settings: the web server and Payvane checks run as steps of
// the generation chain, the FTP check at the start of every publishing run.
namespace vendora {

struct RunContext;

// Step 4: checks and normalises the web-server settings into run.settings.server.
bool CheckWebServerStep(RunContext& run);
// Step 5: checks the Payvane settings (never fails; reports the last problem).
bool CheckPayvaneStep(RunContext& run);

}  // namespace vendora
