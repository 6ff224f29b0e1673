// Quillon: the interface of the work items (one pending conversion of one document).
#pragma once

#include <QString>

// init keeps a copy of the document's full path and touches nothing else; Execute builds the
// converter of its mode, wraps it in a Decorator and lets the decorator run it, returning when
// the converter has finished. Errors raised by the converter pass out of Execute.
// Implementers override the ParseObject_ operations; the base bodies do nothing.
class ParseObject {
public:
    ParseObject() = default;
    virtual ~ParseObject() = default;
    ParseObject(const ParseObject&) = delete;
    ParseObject& operator=(const ParseObject&) = delete;

    void init(QString& path) { ParseObject_init(path); }
    void Execute() { ParseObject_Execute(); }

protected:
    virtual void ParseObject_init(QString& path);
    virtual void ParseObject_Execute();
};
