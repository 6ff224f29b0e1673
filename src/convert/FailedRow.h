// Quillon: how a document that failed to convert shows in the document list.
#pragma once

#include <QString>
#include <exception>

namespace platform {
class ListView;
}

// Sets the document's row to "Failed" and keeps the error's description (what the word
// processor said: "password-protected", "damaged", ...) as the row's tooltip and accessible
// description, so the user can find out why. A row that is gone (a new batch emptied the
// list meanwhile) is left alone.
void ShowFailed(platform::ListView& list, const QString& key, const std::exception& error);
