#include "report/outputs/FileOutput.h"

#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"

#include <utility>

namespace quorvel::report {

namespace {

// The pages held until commit, then written in one go.
class HeldFile final : public PageSink
{
public:
    HeldFile(const FileOutput& output, QString path) : m_output(output), m_path(std::move(path)) {}
    void begin(const PageDescription& doc) override { m_held.begin(doc); }
    void add(const PageDescription& doc, const Page& page) override { m_held.add(doc, page); }
    void commit() override { m_output.write(m_held.take(), m_path); }
    void abandon() noexcept override { m_held.abandon(); }

private:
    const FileOutput& m_output;
    QString m_path;
    HeldPages m_held;
};

} // namespace

std::unique_ptr<PageSink> FileOutput::sink(const QString& path) const
{
    return std::make_unique<HeldFile>(*this, path);
}

} // namespace quorvel::report
