// TEMPORARY during parallel development: bodies still being written elsewhere. Each owner deletes
// its functions from this file as it implements them; the file is removed when empty.
#include "mainwindow/Unit1.h"
#include "platform/Exception.h"

static void NotYet() { throw Exception(QStringLiteral("not yet")); }

// box menus and indicators
void TForm1::CreateTitleRows() {}
void TForm1::RebuildBoxMenu(TMemoList&, QMenu*) {}
void TForm1::MemoItemClick(QAction*) { NotYet(); }
void TForm1::PopupFolderMenuPopup(QMenu*) { NotYet(); }
void TForm1::PopupMenuSubPopup() { NotYet(); }
void TForm1::N1Click() { NotYet(); }
void TForm1::ImageFolderDblClick(TImage*) { NotYet(); }
void TForm1::MenuAplNewClick(QAction*) { NotYet(); }
void TForm1::THFolderClick(QAction*) { NotYet(); }
void TForm1::RefreshIndicators() { NotYet(); }
void TForm1::UpdateBoxImages() { NotYet(); }
void TForm1::UpdateTrayIconImage() { NotYet(); }
void TForm1::UpdateTrayFolderItems() { NotYet(); }
void TForm1::UpdateNewMemoCaptions() { NotYet(); }

// box commands
void TForm1::Delete1Click() { NotYet(); }
void TForm1::MoveMenuClick(QAction*) { NotYet(); }
void TForm1::DelLogClick() { NotYet(); }
