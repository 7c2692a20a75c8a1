#include "BatchUi.h"

#include "report/engine/DataLock.h"

#include <QThread>

#include <cstdio>

namespace quorvel::batch {

namespace {

void toStderr(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

} // namespace

void BatchUi::showMessage(const QString& text)
{
    if (m_echo)
        toStderr(text);
}

void BatchUi::showError(const QString& text)
{
    if (m_echo)
        toStderr(text);
}

bool BatchUi::askRetryLock()
{
    ++m_failedAttempts;
    if (static_cast<long long>(m_failedAttempts + 1) * report::DataLock::kAttemptMs > m_lockWaitMs)
        return false;
    if (!m_saidWaiting)
        std::fprintf(stderr, "Waiting up to %lld s for the Report Data Communication System: another report run holds it.\n",
                     m_lockWaitMs / 1000);
    m_saidWaiting = true;
    return true;
}

void BatchUi::wait(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace quorvel::batch
