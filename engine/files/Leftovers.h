// Quillon engine: notes of unfinished publishes, so the files of an engine that was ended
// mid-publish are removed.
#pragma once

#include <QByteArray>
#include <QString>

namespace engine {

// A publish makes its files under temporary names marked with a token of its own (its mark,
// see wire::temporary and OutputFiles). Before it makes the first, it leaves a note in
// the user's state folder ($XDG_STATE_HOME/quillon-engine/unfinished, else
// ~/.local/state/quillon-engine/unfinished) naming the target's folder, the companion folder and
// the token, and blanks the note when it has finished either way. An engine killed in between
// (by the application after a time limit, by the system for memory, by a crash) leaves its
// note; every engine removes, when it starts, the marked files of notes whose process is gone.
//
// A note file is named by a mark of the process ("<mark>@<host>") and written over by the
// publishes that follow, one file for each publish running at the same time: making and
// removing a file for every document costs more than the document's own output on some file
// systems. The process removes its note files when it exits.
class Leftovers final {
public:
    // Leaves the note; returns its handle, -1 when it could not be written (the publish goes
    // on: the note only helps cleaning up after a kill).
    static int note(const QByteArray& folder, const QByteArray& companion, const QByteArray& token);
    // Blanks the note and keeps its file for the next publish.
    static void forget(int note);

    // Removes what the publishes of processes that are gone left behind, and their notes.
    static void removeAbandoned();

    // The folder the notes are kept in.
    static QString notesFolder();
};

} // namespace engine
