#include "BatchUi.h"

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

void BatchUi::wait(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace quorvel::batch
