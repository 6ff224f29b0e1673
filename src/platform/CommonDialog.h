// Quillon: the common file dialog (Open and Save).
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace platform {

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString fileName; // preset file name (may be a full path)
    QString filter;   // Qt form, e.g. "All WordPerfect documents (*.wpd *.WPD)"
    bool mustExist = false;
};

// Shows file dialogs. The default uses QFileDialog; tests install one that answers from a
// script.
class FileDialogProvider {
public:
    virtual ~FileDialogProvider() = default;
    // Returns true and sets chosen when the user picked a file, false when cancelled.
    virtual bool show(const FileDialogRequest& request, QWidget* owner, QString& chosen) = 0;
};

// Installs a provider (not owned); nullptr restores the default. Returns the previous one.
FileDialogProvider* setFileDialogProvider(FileDialogProvider* provider);

// The common dialog component: set its properties, then ShowOpen or ShowSave. A chosen file is
// left in FileName. With CancelError set, cancelling raises error 32755 ("Cancel was
// selected."); otherwise cancelling leaves FileName unchanged. Flag 4096 (cdlOFNFileMustExist)
// requires an existing file in the Open dialog and has no effect on a Save dialog.
class CommonDialog final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommonDialog)

public:
    static constexpr int cdlOFNFileMustExist = 4096;

    explicit CommonDialog(QWidget* owner);

    QString FileName;
    // "text|pattern" pairs, as in "All WordPerfect documents (*.wpd)|*.WPD".
    QString Filter;
    int Flags = 0;
    bool CancelError = false;
    QString DialogTitle;

    void ShowOpen();
    void ShowSave();

    // Turns "text|pattern|text|pattern" into Qt's "text (pattern);;text (pattern)". A pattern
    // matches without regard to case, so "*.WPD" also finds "a.wpd" and "Report.Wpd".
    static QString toQtFilter(const QString& filter);

private:
    void show(bool save);
    QWidget* m_owner;
};

} // namespace platform
