// Quillon: one document through the document engine: opened, a macro played, published, closed.
#include "PublishDocument.h"

#include "EngineAutomationClient.h"
#include "MacroPlay.h"

namespace platform {
namespace {

// The macro's failure, or empty; an engine that ended meanwhile passes on as an error.
QString playMacro(EngineAutomationClient& engine, const QString& macro)
{
    try {
        if (PrepareForMacro(engine))
            PlayMacroAndWait(engine, macro, {});
    } catch (const Error& e) {
        if (engine.lastOutcome() != EngineAutomationClient::Outcome::Answered)
            throw;
        return e.description();
    }
    return {};
}

} // namespace

PublishOutcome PublishDocument(EngineAutomationClient& engine, const PublishJob& job)
{
    using End = PublishOutcome::End;
    PublishOutcome outcome;
    try {
        engine.Call(wire::op::FileOpen, {job.source});
    } catch (const Error& e) {
        outcome.end = End::OpenFailed;
        outcome.error = e;
        return outcome;
    }
    try {
        if (!job.recordedSource.isEmpty())
            engine.Call(wire::op::ProvenanceSource, {job.recordedSource});
        if (!job.macro.isEmpty())
            outcome.macroFailure = playMacro(engine, job.macro);
        QVariant answer;
        if (job.xml) {
            engine.Call(wire::op::XMLPublishSetJPEGOptions, {job.quality});
            answer = engine.Call(wire::op::XMLPublish, {job.target});
        } else {
            answer = engine.Call(wire::op::HTMLPublish, {job.target});
        }
        outcome.answer = wire::PublishAnswer::parse(answer.toString());
    } catch (const Error& e) {
        outcome.error = e;
        if (engine.lastOutcome() == EngineAutomationClient::Outcome::Damaged) {
            outcome.end = End::Partial;
            outcome.answer = wire::PublishAnswer::parse(engine.partialAnswer());
        } else {
            outcome.end = End::Failed;
            if (engine.isGone(e))
                return outcome;
        }
    }
    try {
        engine.Call(wire::op::CloseNoSave);
    } catch (const Error&) {
        // Closing frees only the engine's copy of the document, whatever the publish did; an
        // engine that went wrong here is replaced on the next call.
    }
    return outcome;
}

} // namespace platform
