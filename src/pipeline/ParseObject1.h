// Quillon: the work item of a batch.
#pragma once

#include "ParseObject.h"

#include <memory>

namespace fs {
class OutputNames;
}

// Converts its document with the batch converter DecObj, which names its output among the
// batch's output names.
class ParseObject1 final : public ParseObject {
public:
    const QString& fileName() const { return m_fileName; }
    void setOutputNames(std::shared_ptr<fs::OutputNames> names)
    {
        m_outputNames = std::move(names);
    }

protected:
    void ParseObject_init(QString& path) override;
    void ParseObject_Execute() override;

private:
    QString m_fileName;
    std::shared_ptr<fs::OutputNames> m_outputNames;
};
