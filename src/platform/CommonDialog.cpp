// Quillon: the common file dialog (Open and Save).
#include "CommonDialog.h"

#include "Error.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace platform {
namespace {

// The pattern matching each of its letters in either case ("*.WPD" gives "*.[wW][pP][dD]"):
// file names here are case-sensitive, and documents are named "a.wpd", "B.WPD" or "Report.Wpd".
QString anyCase(const QString& pattern)
{
    QString result;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower == upper) {
            result += c;
        } else {
            result += QLatin1Char('[');
            result += lower;
            result += upper;
            result += QLatin1Char(']');
        }
    }
    return result;
}

class QtFileDialogProvider final : public FileDialogProvider {
public:
    bool show(const FileDialogRequest& request, QWidget* owner, QString& chosen) override
    {
        QFileDialog dialog(owner, request.title);
        const bool save = request.kind == FileDialogRequest::Kind::Save;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save || !request.mustExist ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
        if (!request.filter.isEmpty()) {
            // The list of types shows each entry's text as written, not its patterns.
            dialog.setOption(QFileDialog::HideNameFilterDetails);
            dialog.setNameFilter(request.filter);
        }
        if (!request.fileName.isEmpty()) {
            const QFileInfo preset(request.fileName);
            if (preset.path() != QLatin1String("."))
                dialog.setDirectory(preset.absolutePath());
            dialog.selectFile(preset.fileName());
        }
        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty())
            return false;
        chosen = files.constFirst();
        return true;
    }
};

QtFileDialogProvider g_default;
FileDialogProvider* g_provider = &g_default;

} // namespace

FileDialogProvider* setFileDialogProvider(FileDialogProvider* provider)
{
    FileDialogProvider* previous = g_provider == &g_default ? nullptr : g_provider;
    g_provider = provider ? provider : &g_default;
    return previous;
}

CommonDialog::CommonDialog(QWidget* owner) : QObject(owner), m_owner(owner) {}

void CommonDialog::ShowOpen()
{
    show(false);
}

void CommonDialog::ShowSave()
{
    show(true);
}

void CommonDialog::show(bool save)
{
    FileDialogRequest request;
    request.kind = save ? FileDialogRequest::Kind::Save : FileDialogRequest::Kind::Open;
    request.title = DialogTitle;
    request.fileName = FileName;
    request.filter = toQtFilter(Filter);
    request.mustExist = !save && (Flags & cdlOFNFileMustExist) != 0;

    QString chosen;
    if (g_provider->show(request, m_owner, chosen)) {
        FileName = chosen;
        return;
    }
    if (CancelError)
        throw Error(err::DialogCancelled, QStringLiteral("Cancel was selected."));
}

QString CommonDialog::toQtFilter(const QString& filter)
{
    if (filter.isEmpty())
        return QString();
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i < parts.size(); i += 2) {
        const QString text = parts.at(i);
        // A lone text without a pattern is its own pattern.
        const QString patternText = i + 1 < parts.size() ? parts.at(i + 1) : text;
        // Patterns come separated by semicolons and go to Qt separated by spaces, in a final
        // group of their own: Qt reads the patterns from the last parenthesised group, so a
        // text that shows patterns of its own ("Macros(*.wcm)") stays whole.
        QStringList patterns;
        const QStringList raw =
            patternText.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
        for (const QString& p : raw) {
            if (!patterns.contains(anyCase(p)))
                patterns.append(anyCase(p));
        }
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        entries.append(text.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace platform
