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
// the token, and removes the note when it has finished either way. An engine killed in between
// (by the application after a time limit, by the system for memory, by a crash) leaves its
// note; every engine removes, when it starts, the marked files of notes whose process is gone.
class Leftovers final {
public:
    // Leaves the note; returns its path, empty when it could not be written (the publish goes
    // on: the note only helps cleaning up after a kill).
    static QByteArray note(const QByteArray& folder, const QByteArray& companion,
                           const QByteArray& token);
    static void forget(const QByteArray& notePath);

    // Removes what the publishes of processes that are gone left behind, and their notes.
    static void removeAbandoned();

    // The folder the notes are kept in.
    static QString notesFolder();
};

} // namespace engine
