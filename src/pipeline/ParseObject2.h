// Quillon: the work item of single-document mode.
#pragma once

#include "ParseObject.h"

// Converts its document with the single-document converter DecObj2.
class ParseObject2 final : public ParseObject {
public:
    const QString& fileName() const { return m_fileName; }

protected:
    void ParseObject_init(QString& path) override;
    void ParseObject_Execute() override;

private:
    QString m_fileName;
};
