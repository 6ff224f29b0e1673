// Quillon: the common file dialog (Open and Save).
#include "CommonDialog.h"

#include "Error.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace platform {
namespace {

// Qt reads an entry's patterns from its final parenthesised group, so a text that shows its
// patterns already (as in "Macros(*.wcm)") loses that group; the real patterns follow it.
QString withoutPatternGroup(const QString& text)
{
    static const QRegularExpression group(QStringLiteral("\\s*\\([^()]*[*?][^()]*\\)\\s*$"));
    QString result = text;
    result.remove(group);
    return result.trimmed();
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
        if (!request.filter.isEmpty())
            dialog.setNameFilter(request.filter);
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
        // Qt separates patterns by spaces where the design's filters use semicolons. Each
        // pattern also appears in lower and upper case, as Qt matches case-sensitively here
        // and files are named either way.
        QStringList patterns;
        const QStringList raw =
            patternText.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
        for (const QString& p : raw) {
            for (const QString& variant : {p, p.toLower(), p.toUpper()}) {
                if (!patterns.contains(variant))
                    patterns.append(variant);
            }
        }
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        entries.append(withoutPatternGroup(text) + QStringLiteral(" (") +
                       patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace platform
