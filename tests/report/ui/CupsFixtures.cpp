#include "report/ui/CupsFixtures.h"

#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/ReportProject.h"
#include "report/ui/PreviewWindow.h"
#include "report/ui/UiFixtures.h"
#include "support/HeadlessUi.h"
#include "support/Scoped.h"
#include "support/ScopedLockPath.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>
#include <stdexcept>
#include <string>

#include <cups/cups.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/file.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::report::testing {

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));   // lpstat's texts follow the locale
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

QString testQueue(const char* kind)
{
    QString name = qEnvironmentVariable((QByteArray("QUORVEL_QUEUE_") + kind).constData());
    if (name.isEmpty())
        name = QStringLiteral("Quorvel") + QLatin1String(kind);
    return QPrinterInfo::printerInfo(name).isNull() ? QString() : name;
}

bool queuesRequired() { return qEnvironmentVariable("CI") == QLatin1String("true"); }

QString cupsPdfOut()
{
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    QString out = QStringLiteral("${HOME}/PDF");
    if (conf.open(QIODevice::ReadOnly)) {
        const QRegularExpression line(QStringLiteral("^Out\\s+(.+)$"), QRegularExpression::MultilineOption);
        const auto match = line.match(QString::fromUtf8(conf.readAll()));
        if (match.hasMatch())
            out = match.captured(1).trimmed();
    }
    // cups-pdf takes the home folder from the user database, not from the environment.
    const passwd* user = getpwuid(getuid());
    out.replace(QStringLiteral("${HOME}"), user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath());
    out.replace(QStringLiteral("${USER}"), user ? QString::fromLocal8Bit(user->pw_name) : QString());
    return out;
}

int socketPort(const QString& queue)
{
    const QRegularExpression uri(QStringLiteral("socket://127\\.0\\.0\\.1:(\\d+)"));
    return uri.match(run(QStringLiteral("lpstat"), {QStringLiteral("-v"), queue})).captured(1).toInt();
}

std::vector<int> jobIds(const QString& queue)
{
    std::vector<int> ids;
    const QRegularExpression job(QStringLiteral("^%1-(\\d+)\\s").arg(QRegularExpression::escape(queue)),
                                 QRegularExpression::MultilineOption);
    auto it = job.globalMatch(run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"),
                                                             QStringLiteral("-o"), queue}));
    while (it.hasNext())
        ids.push_back(it.next().captured(1).toInt());
    return ids;
}

bool waitUntilIdle(const QString& queue, int ms)
{
    return QTest::qWaitFor(
        [&] { return run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).trimmed().isEmpty(); }, ms);
}

void cancelJobs(const QString& queue) { run(QStringLiteral("cancel"), {QStringLiteral("-a"), queue}); }

QByteArray jobOptions(int id)
{
    // The scheduler writes its control file (c<id>) only some time later: ask it instead.
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/jobs/");
    QByteArray options;
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        if (!ippGetName(a) || ippGetGroupTag(a) != IPP_TAG_JOB)
            continue;
        char value[1024];
        ippAttributeString(a, value, sizeof value);
        options += QByteArray(ippGetName(a)) + '=' + value + ' ';
    }
    ippDelete(response);
    return options.trimmed();
}

PageDescription runDefinition(const QString& definition, const std::vector<LabelRow>& rows, ReportSystem& system)
{
    const quorvel::test::ScopedLocale locale(quorvel::test::brazil());   // prices are written "39,9"
    QTemporaryDir dir;
    const quorvel::test::ScopedLockPath lock(dir.filePath(QStringLiteral("data.lock")));
    const auto table = makeLabelTable(rows);
    DataSetConnection connection{QStringLiteral("RvDataSetConnection1"), table.get()};
    HeadlessUi ui;
    PageDescription pages;
    ui.onPreview = [&pages](const PageDescription& doc) {
        pages = doc;
        pages.pages.hold();   // read after the run
    };
    ReportProject project(system, ui);
    project.setConnections({&connection});
    project.setProjectFile(definition);
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    project.execute();
    return pages;
}

QStringList printFromPreview(const PageDescription& doc, ReportSystem& system, const QString& queue,
                             const std::optional<QString>& copies, const std::optional<QString>& selection)
{
    QStringList failures;
    FakeDialogs dialogs;
    dialogs.onOutputOptions = [&copies, &selection](OutputOptionsDialog& dialog) {
        if (copies)
            dialog.findChild<QLineEdit*>(QStringLiteral("copiesBox"))->setText(*copies);
        if (selection) {
            dialog.findChild<QRadioButton*>(QStringLiteral("selectionButton"))->click();
            dialog.findChild<QLineEdit*>(QStringLiteral("selectionBox"))->setText(*selection);
        }
        dialog.accept();
        return true;
    };
    system.printerName = queue;   // as if chosen through "&Setup"
    PreviewWindow window(doc, system, dialogs, [&failures](const Failure& f) { failures << f.message(); });
    window.findChild<QAction*>(QStringLiteral("actionPrint"))->trigger();
    return failures;
}

// A fixed name outside each test program's own temporary folder, for all of them to share.
PrintQueueLock::PrintQueueLock()
    : m_fd(::open("/tmp/quorvel-print-tests.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666))
{
    if (m_fd < 0)
        return;
    QElapsedTimer waited;
    waited.start();
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (waited.elapsed() > kWaitMs) {
            ::close(m_fd);
            throw std::runtime_error("another printing test has held /tmp/quorvel-print-tests.lock for "
                                     + std::to_string(kWaitMs / 1000) + " s");
        }
        QThread::msleep(100);
    }
}

PrintQueueLock::~PrintQueueLock()
{
    if (m_fd >= 0)
        ::close(m_fd);   // releases the lock
}

SocketListener::SocketListener(int port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    const int yes = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(m_fd, 4) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_thread = std::thread([this] { serve(); });
}

SocketListener::~SocketListener()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray SocketListener::received() const
{
    const std::lock_guard lock(m_mutex);
    return m_data;
}

void SocketListener::clear()
{
    const std::lock_guard lock(m_mutex);
    m_data.clear();
}

void SocketListener::serve()
{
    // Polls in short slices so the destructor's stop is seen; one connection at a time, as
    // CUPS's socket backend sends one job per connection.
    while (!m_stop) {
        pollfd accepting{m_fd, POLLIN, 0};
        if (::poll(&accepting, 1, 100) <= 0)
            continue;
        const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        char buffer[65536];
        while (!m_stop) {
            pollfd reading{client, POLLIN, 0};
            if (::poll(&reading, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(client, buffer, sizeof buffer);
            if (n <= 0)
                break;
            const std::lock_guard lock(m_mutex);
            m_data.append(buffer, n);
        }
        ::close(client);
        ++m_ended;
    }
}

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QImage bitsToImage(const std::vector<std::uint8_t>& rows, int bytesPerRow, int height, int width, bool oneIsBlack)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width && x < bytesPerRow * 8; ++x) {
            const std::uint8_t byte = rows[static_cast<std::size_t>(y * bytesPerRow + x / 8)];
            const bool bit = (byte >> (7 - x % 8)) & 1;
            if (bit == oneIsBlack)
                image.setPixel(x, y, qRgb(0, 0, 0));
        }
    return image;
}

} // namespace

std::vector<LabelRaster> decodeZpl(const QByteArray& data)
{
    std::vector<LabelRaster> labels;
    const QByteArray start = "~DGR:CUPS.GRF,";
    qsizetype at = 0;
    while ((at = data.indexOf(start, at)) >= 0) {
        at += start.size();
        const qsizetype comma1 = data.indexOf(',', at);
        const qsizetype comma2 = data.indexOf(',', comma1 + 1);
        const int total = data.mid(at, comma1 - at).toInt();
        const int bytesPerRow = data.mid(comma1 + 1, comma2 - comma1 - 1).toInt();
        if (bytesPerRow <= 0)
            break;
        const int height = total / bytesPerRow;
        const int digitsPerRow = bytesPerRow * 2;
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(total), 0);
        std::vector<int> row, previous(static_cast<std::size_t>(digitsPerRow), 0);
        int rowsDone = 0;
        int count = 0;
        auto endRow = [&](int fill) {
            while (static_cast<int>(row.size()) < digitsPerRow)
                row.push_back(fill);
            for (int i = 0; i < bytesPerRow && rowsDone < height; ++i)
                bits[static_cast<std::size_t>(rowsDone * bytesPerRow + i)] =
                    static_cast<std::uint8_t>(row[static_cast<std::size_t>(2 * i)] << 4 | row[static_cast<std::size_t>(2 * i + 1)]);
            previous = row;
            row.clear();
            ++rowsDone;
        };
        qsizetype i = comma2 + 1;
        for (; i < data.size() && rowsDone < height; ++i) {
            const char c = data[i];
            if (c == '^' || c == '~')
                break;
            if (c >= 'G' && c <= 'Y') {
                count += c - 'G' + 1;
            } else if (c >= 'g' && c <= 'z') {
                count += (c - 'g' + 1) * 20;
            } else if (c == ',') {
                endRow(0);
                count = 0;
            } else if (c == '!') {
                endRow(15);
                count = 0;
            } else if (c == ':') {
                row = previous;
                endRow(0);
                count = 0;
            } else if (const int v = hexValue(c); v >= 0) {
                for (int n = std::max(count, 1); n > 0; --n) {
                    row.push_back(v);
                    if (static_cast<int>(row.size()) == digitsPerRow)
                        endRow(0);
                }
                count = 0;
            }
        }
        LabelRaster label;
        const qsizetype pw = data.indexOf("^PW", i);
        label.width = 0;
        for (qsizetype d = pw + 3; pw >= 0 && d < data.size() && data[d] >= '0' && data[d] <= '9'; ++d)
            label.width = label.width * 10 + (data[d] - '0');
        label.image = bitsToImage(bits, bytesPerRow, height, bytesPerRow * 8, true);
        labels.push_back(std::move(label));
        at = i;
    }
    return labels;
}

std::vector<LabelRaster> decodeEpl(const QByteArray& data, int heightDots)
{
    // Read command by command: the GW rows are binary and may hold any byte.
    std::vector<LabelRaster> labels;
    int width = 0;
    std::vector<std::uint8_t> bits;
    bool outside = false;
    qsizetype at = 0;
    while (at < data.size()) {
        qsizetype eol = data.indexOf('\n', at);
        if (eol < 0)
            eol = data.size();
        const QByteArray line = data.mid(at, eol - at);
        at = eol + 1;
        const int bytesPerRow = (width + 7) / 8;
        if (line == "N") {
            bits.assign(static_cast<std::size_t>(bytesPerRow * heightDots), 0xFF);
            outside = false;
        } else if (line.startsWith('q')) {
            width = line.mid(1).toInt();
            bits.assign(static_cast<std::size_t>((width + 7) / 8 * heightDots), 0xFF);
        } else if (line.startsWith("GW")) {
            const QList<QByteArray> args = line.mid(2).split(',');
            if (args.size() < 4)
                break;
            const int x = args[0].toInt(), y = args[1].toInt(), bytes = args[2].toInt(), rows = args[3].toInt();
            for (int r = 0; r < rows; ++r) {
                if (y + r >= heightDots || x / 8 + bytes > bytesPerRow) {
                    outside = true;
                    continue;
                }
                for (int b = 0; b < bytes; ++b)
                    bits[static_cast<std::size_t>((y + r) * bytesPerRow + x / 8 + b)] =
                        static_cast<std::uint8_t>(data[at + r * bytes + b]);
            }
            at += static_cast<qsizetype>(rows) * bytes;
        } else if (line.startsWith('P') && !bits.empty()) {
            LabelRaster label;
            label.width = outside ? -width : width;   // rows beyond the label: not the label's raster
            label.image = bitsToImage(bits, bytesPerRow, heightDots, bytesPerRow * 8, false);
            labels.push_back(std::move(label));
        }
    }
    return labels;
}

double barGain(const QImage& image, int y, int x0, int x1, int moduleDots)
{
    std::vector<int> bars;
    int run = 0;
    for (int x = x0; x < x1; ++x) {
        const bool black = qGray(image.pixel(x, y)) < 128;
        if (black) {
            ++run;
        } else if (run > 0) {
            bars.push_back(run);
            run = 0;
        }
    }
    if (run > 0)
        bars.push_back(run);
    if (bars.empty())
        return 1e9;
    double gain = 0;
    for (const int bar : bars)
        gain += bar - moduleDots * std::max(1.0, std::round(static_cast<double>(bar) / moduleDots));
    return gain / static_cast<double>(bars.size());
}

double blackOverlap(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0;
    long both = 0, either = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool ba = qGray(a.pixel(x, y)) < 128, bb = qGray(b.pixel(x, y)) < 128;
            both += ba && bb;
            either += ba || bb;
        }
    return either == 0 ? 1.0 : static_cast<double>(both) / static_cast<double>(either);
}

} // namespace quorvel::report::testing
