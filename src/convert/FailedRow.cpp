// Quillon: how a document that failed to convert shows in the document list.
#include "FailedRow.h"

#include "Error.h"
#include "ListView.h"

void ShowFailed(platform::ListView& list, const QString& key, const std::exception& error)
{
    if (!list.Contains(key))
        return;
    QString why;
    if (const auto* raised = dynamic_cast<const platform::Error*>(&error)) {
        why = raised->description().isEmpty() ? QStringLiteral("Error %1").arg(raised->number())
                                              : raised->description();
    } else {
        why = QString::fromLocal8Bit(error.what());
    }
    list.SetSubItem(key, 1, QStringLiteral("Failed"));
    list.SetDescription(key, why);
}
