#pragma once

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

// Reading printed PDFs back with the poppler tools, and finding the PDFs that the cups-pdf
// printer writes: for the tests that print on paper.
namespace corvane::print::test_support {

// Standard output of a tool; nothing when it fails.
inline std::optional<QString> tryTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Standard output of a tool; a test failure when it fails.
inline QString tool(const QString& program, const QStringList& arguments) {
    const std::optional<QString> out = tryTool(program, arguments);
    if (!out) {
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(u' ').toStdString()
                      << " failed";
    }
    return out.value_or(QString());
}

inline QString pdfInfo(const QString& path, const QString& field) {
    const QRegularExpression re(QStringLiteral("^%1:\\s*(.*)$").arg(field),
                                QRegularExpression::MultilineOption);
    return re.match(tool(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
}

inline int pageCount(const QString& path) {
    return pdfInfo(path, QStringLiteral("Pages")).toInt();
}

// The text lines of each page, blanks collapsed (text extraction does not keep exact spacing),
// empty lines left out.
inline QList<QStringList> simplified(const QList<QStringList>& pages) {
    QList<QStringList> out;
    for (const QStringList& page : pages) {
        QStringList lines;
        for (const QString& line : page) {
            if (!line.simplified().isEmpty()) {
                lines.append(line.simplified());
            }
        }
        out.append(lines);
    }
    return out;
}

// The PDF's text, page by page, as simplified() gives it.
inline QList<QStringList> pdfText(const QString& path) {
    QStringList pages =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")})
            .split(u'\f');
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) {
        pages.removeLast();
    }
    QList<QStringList> out;
    for (const QString& page : pages) {
        out.append(page.split(u'\n'));
    }
    return simplified(out);
}

// Why the default printer's output cannot be read back: there is none, or it is no cups-pdf
// queue (a real printer would put the test on paper). Empty when it can.
inline QString whyNoPdfDefaultPrinter() {
    const std::optional<QString> destination =
        tryTool(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    if (!destination || !destination->contains(u':')) {
        return QStringLiteral("no default CUPS printer (.ci/cups-pdf-printer.sh sets one up)");
    }
    const QString name = destination->section(u':', 1).trimmed();
    const QString device =
        tryTool(QStringLiteral("lpstat"), {QStringLiteral("-v"), name}).value_or(QString());
    if (!device.contains(QStringLiteral("cups-pdf:"))) {
        return QStringLiteral("the default printer %1 is not a cups-pdf queue").arg(name);
    }
    return {};
}

// Where the cups-pdf queue puts this user's PDFs: its configuration's output folder, the
// folder for anonymous jobs, and the package's default.
inline QStringList cupsPdfFolders() {
    const QString user =
        QString::fromLocal8Bit(qgetenv("USER")).isEmpty()
            ? tryTool(QStringLiteral("id"), {QStringLiteral("-un")}).value_or(QString()).trimmed()
            : QString::fromLocal8Bit(qgetenv("USER"));
    QStringList folders = {QDir::home().filePath(QStringLiteral("PDF")),
                           QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")};
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        const QRegularExpression setting(QStringLiteral("^(Out|AnonDirName)\\s+(\\S+)"),
                                         QRegularExpression::MultilineOption);
        for (auto it = setting.globalMatch(QString::fromUtf8(conf.readAll())); it.hasNext();) {
            QString folder = it.next().captured(2);
            folder.replace(QStringLiteral("${HOME}"), QDir::homePath());
            folder.replace(QStringLiteral("${USER}"), user);
            folders.prepend(folder);
        }
    }
    return folders;
}

// The PDF written since `since` that holds `token`, once the printer has written it whole;
// empty after `seconds`.
inline QString waitForPdfHolding(const QString& token, const QDateTime& since, int seconds) {
    const QDeadlineTimer deadline{std::chrono::seconds{seconds}};
    while (!deadline.hasExpired()) {
        for (const QString& folder : cupsPdfFolders()) {
            const QFileInfoList files =
                QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
            for (const QFileInfo& file : files) {
                if (file.lastModified() < since) {
                    break; // the newest come first
                }
                const std::optional<QString> text =
                    tryTool(QStringLiteral("pdftotext"), {file.filePath(), QStringLiteral("-")});
                if (text && text->contains(token)) {
                    return file.filePath();
                }
            }
        }
        QThread::msleep(250);
    }
    return {};
}

} // namespace corvane::print::test_support
