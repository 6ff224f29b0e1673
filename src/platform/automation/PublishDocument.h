// Quillon: one document through the document engine: opened, a macro played, published, closed.
#pragma once

#include "EngineContract.h"
#include "Error.h"

#include <QString>

#include <optional>

namespace platform {

class EngineAutomationClient;

struct PublishJob {
    QString source;
    QString recordedSource; // the source its outputs record (ProvenanceSource); empty: as opened
    QString macro;          // played after opening, unless the document is blank; empty: none
    bool xml = true;
    QString quality; // XML: the JPEG quality text
    QString target;
};

struct PublishOutcome {
    // Published; published in part (a damaged document); the document could not be opened; or
    // it failed after opening (error says why: the engine's answer, or the engine's end).
    enum class End { Published, Partial, OpenFailed, Failed };

    End end = End::Published;
    std::optional<Error> error; // Partial: what is missing; OpenFailed, Failed: why
    QString macroFailure;       // what the macro's failure said; the document went on all the same
    wire::PublishAnswer answer; // Published, Partial
};

// Opens the document, tells the engine the source its outputs record, plays the macro (which
// the engine plays to its end before it answers: no waiting beyond its answer), publishes as XML
// (with the JPEG quality) or HTML, and closes it, also after a failed publish, unless the engine
// is gone. Never raises: every error ends up in the outcome. A macro that fails leaves the
// document to be published as it stands.
PublishOutcome PublishDocument(EngineAutomationClient& engine, const PublishJob& job);

} // namespace platform
