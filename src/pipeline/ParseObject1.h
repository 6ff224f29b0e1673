// Quillon: the work item of a batch.
#pragma once

#include "ParseObject.h"

// Converts its document with the batch converter DecObj.
class ParseObject1 final : public ParseObject {
public:
    const QString& fileName() const { return m_fileName; }

protected:
    void ParseObject_init(QString& path) override;
    void ParseObject_Execute() override;

private:
    QString m_fileName;
};
