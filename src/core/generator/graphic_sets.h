#pragma once
// Graphic sets: folders below "GraphicSets" in the program folder, each with a
// "Settings" file naming twelve pictures, six colours, four placeholder pictures and
// a read-only mark; the colour file data/color.cnf of a generated shop.
namespace vendora {

struct RunContext;

// Step 3: reads the shop's set (Interfaces.GSet), fills the run's graphic-set values
// and copies the set's pictures into the shop's imgs folder.
bool ReadShopGraphicSetStep(RunContext& run);
// Step 16: writes data/color.cnf.
bool WriteColorFileStep(RunContext& run);

}  // namespace vendora
