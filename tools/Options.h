// The command line of one quorvel-batch command: its options and operands declared once, read
// the same way by every command, with one set of usage messages.
#pragma once

#include <QString>
#include <QStringList>

#include <climits>
#include <functional>
#include <vector>

namespace quorvel::batch {

struct Command;

class Options
{
public:
    /// Messages name `command` and end with its usage line; it must outlive the options.
    explicit Options(const Command& command);

    /// An option without a value.
    void flag(const char* name, bool& set);
    /// An option followed by a text.
    void text(const char* name, QString& value);
    /// An option followed by a number from `least` to `most`.
    void number(const char* name, double& value, double least, double most);
    /// An option followed by a whole number from `least` to `most`.
    void wholeNumber(const char* name, int& value, int least, int most = INT_MAX);
    /// The page files of print and render: --png DIR, -o OUT.pdf|OUT.ndr and --dpi N (the
    /// PNGs' resolution, 10 to 2400). At least one of --png and -o must be given; with `printer`,
    /// print's --printer QUEUE and --copies N, which go instead of the files, never with them.
    void pageOutputs(QString& pngDir, QString& output, double& dpi, QString* printer = nullptr, int* copies = nullptr);
    /// `name` (declared already) must be given.
    void required(const char* name, const QString& value);
    /// --wait SECONDS: how long a run waits for the data-communication lock (0 to a day).
    void lockWait(int& seconds);
    /// The words that are no option; `noun` names one in messages ("label file"). `many`: any
    /// number of at least one; otherwise exactly one.
    void operands(QStringList& values, const char* noun, bool many);

    /// Reads `args`. False after printing why they do not fit, and the usage line, to standard
    /// error: the command then exits with status 2.
    bool parse(const QStringList& args);

private:
    struct Option
    {
        QString name;
        bool takesValue = false;
        /// Stores the value (empty for a flag); a non-empty result is why it does not fit.
        std::function<QString(const QString&)> store;
    };

    bool fail(const QString& why) const;

    const Command& m_command;
    std::vector<Option> m_options;
    QStringList* m_operands = nullptr;
    QString m_noun;
    bool m_many = false;
    std::vector<std::function<QString()>> m_checks;   ///< after reading: non-empty is why not
};

} // namespace quorvel::batch
