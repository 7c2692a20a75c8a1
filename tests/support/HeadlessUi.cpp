#include "support/HeadlessUi.h"

#include <QThread>

#include <cstdio>

namespace quorvel::report {

void HeadlessUi::showMessage(const QString& text)
{
    messages << text;
    if (echo)
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

void HeadlessUi::showError(const QString& text)
{
    errors << text;
    if (echo)
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

bool HeadlessUi::askRetryLock()
{
    ++lockQuestions;
    return retryAnswers.isEmpty() ? false : retryAnswers.takeFirst();
}

void HeadlessUi::beginGeneration(const ReportSystem&)
{
    generating = true;
    m_cancelled = false;
    m_pages = 0;
    ++generations;
}

bool HeadlessUi::setStatus(const QString& text)
{
    statuses << text;
    if (cancelAtPage > 0 && ++m_pages >= cancelAtPage)
        m_cancelled = true;
    return !m_cancelled;
}

bool HeadlessUi::poll()
{
    ++polls;
    return !m_cancelled;
}

void HeadlessUi::endGeneration()
{
    generating = false;
}

void HeadlessUi::preview(const PageDescription& pages, ReportSystem&, const Relayout& run)
{
    ++previews;
    relayout = run;
    if (onPreview)
        onPreview(pages);
    relayout = {};
}

void HeadlessUi::wait(int ms)
{
    ++waits;
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace quorvel::report
