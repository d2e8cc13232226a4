// TEMPORARY link placeholders until the security search module lands. Replace.
#include "omega/progress_window.h"
#include "omega/security_info.h"
#include "omega/security_search.h"

QByteArray NulToBlanks(const QByteArray& text) { return text; }
QString CategoryName(int16_t) { return {}; }
QString PeriodName(int16_t) { return {}; }
QString ShortDate(int32_t) { return {}; }
void ClearSecurityInfo(const MainControls&) {}
int16_t ShowSecurityInfo(ProgramState&, const MainControls&, const QString&) { return 0; }
void LoadSecurityTable(ProgramState&, const MainControls&) {}
void FillSecurityList(ProgramState&, const MainControls&) {}
void ApplyImportMode(ProgramState&, const MainControls&, int16_t) {}
void cmdSearch_Click(ProgramState&, const MainControls&) {}
void List1_Click(ProgramState&, const MainControls&) {}
void opbSearch_Click(ProgramState&, const MainControls&, int) {}
void mnuMode_Click(ProgramState&, const MainControls&, int) {}
void SymbolTextChanged(ProgramState&, const MainControls&) {}
void SymbolTimerTick(ProgramState&, const MainControls&) {}
int16_t ShowProgress(int32_t, const QString&, int, int) { return 0; }
int16_t UpdateProgress(int32_t) { return 0; }
int16_t CloseProgress() { return 0; }
void FollowMainWindowState(Qt::WindowStates) {}
