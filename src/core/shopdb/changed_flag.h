#pragma once
// The process-wide database-changed flag: raised by every update and delete through
// CMyDaoRecordset and by opening a shop; cleared only by a successful generation run.
namespace vendora {

bool IsDatabaseChanged();
void SetDatabaseChanged(bool changed);

}  // namespace vendora
