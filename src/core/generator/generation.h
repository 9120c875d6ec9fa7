#pragma once
// The generation run: turns the open shop into the files of its web shop through a
// fixed chain of steps, logging every step and keeping the database-changed flag.
#include <memory>
#include <string>
#include <vector>

#include "generator/run_context.h"

namespace vendora {

class DbError;

// The chain of the generation run, in order. Later steps are appended or inserted by
// name ("scripts" before "config" ...).
std::vector<RunStep> GenerationChain();

// Step 1: opens the shop snapshot.
bool OpenSnapshotStep(RunContext& run);
// Step 6: creates the shop folder and its subfolders.
bool CreateFoldersStep(RunContext& run);
// Logs a database error that ends a step (the step then fails).
void LogDatabaseError(RunContext& run, const DbError& error);

// Steps 10 to 12: the pictures of withheld categories, products and lines go to the
// unused lists of their folders. A database error ends the walk; the counts of what
// was listed are logged all the same, then the error, and the step fails.
bool ListWithheldCategoryPicturesStep(RunContext& run);
bool ListWithheldProductPicturesStep(RunContext& run);
bool ListWithheldLinePicturesStep(RunContext& run);

class ShopGenerator {
 public:
  ShopGenerator(ShopDatabase& db, ShopPaths paths, GenerationLog& log, Prompter& prompter, const Clock& clock);

  // The chain the next run executes; may be extended in place.
  std::vector<RunStep>& Chain() { return chain_; }

  // The Generate button: an unchanged shop asks first (No ends here); then runs.
  bool Start();
  // The run itself. An unchanged shop is a success without touching any file.
  bool Run();

  // The last run's context: its file lists and total size are what an upload publishes.
  const RunContext* LastRun() const { return run_.get(); }

 private:
  void DeletePreviousOutput();

  ShopDatabase& db_;
  ShopPaths paths_;
  GenerationLog& log_;
  Prompter& prompter_;
  const Clock& clock_;
  std::vector<RunStep> chain_;
  std::unique_ptr<RunContext> run_;
};

}  // namespace vendora
