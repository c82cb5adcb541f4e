#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, file dialogs) in Simplified Chinese,
// whatever the user's locale. Returns false when they are not installed.
bool installChineseQtTranslations(QCoreApplication &application);
