#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QPrinterInfo>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace vrq::test {

using namespace Qt::StringLiterals;

// The default printer of the print tests: a CUPS queue whose backend keeps each job's document in a
// folder (scripts/test-printer.sh, run by scripts/test.sh, which exports VRQ_TEST_PRINTER_FOLDER).
class KeptPrinter {
public:
    // Runs print and returns the pages, as pdfPageLines, of the first job kept after it whose text holds
    // marker (other tests may print at the same time), waiting up to 30 s; no pages and a failure when no
    // such job came or there is no test printer.
    static std::vector<QStringList> printedPages(const std::function<void()>& print, const QString& marker) {
        const QString path = printedJob(print, marker);
        return path.isEmpty() ? std::vector<QStringList>{} : pdfPageLines(path);
    }
    // The same, the kept job's file (empty when none came).
    static QString printedJob(const std::function<void()>& print, const QString& marker) {
        const QString dir = folder();
        if (dir.isEmpty())
            return {};
        QSet<QString> read = jobs(dir);
        print();
        QElapsedTimer timer;
        timer.start();
        do {
            for (const QString& name : jobs(dir)) {
                const QString path = QDir(dir).filePath(name);
                if (!read.contains(name) && pdfText(path).contains(marker))
                    return path;
                read.insert(name);
            }
            QThread::msleep(100);
        } while (timer.elapsed() < 30000);
        ADD_FAILURE() << "no printed job holding " << marker.toStdString() << " reached "
                      << dir.toStdString();
        return {};
    }

    // Where the words of a PDF's first page lie, in points from the sheet's top-left corner, and the sheet.
    struct Extent {
        QRectF sheet;
        QRectF words; // the smallest rectangle holding every word
    };
    static Extent firstPageExtent(const QString& path) {
        QProcess process;
        process.start(u"pdftotext"_s, {u"-bbox"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, path, u"-"_s});
        if (!process.waitForFinished(20000) || process.exitCode() != 0) {
            ADD_FAILURE() << "pdftotext -bbox failed on " << path.toStdString();
            return {};
        }
        const QString html = QString::fromUtf8(process.readAllStandardOutput());
        Extent extent;
        static const QRegularExpression page(u"<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""_s);
        if (const auto m = page.match(html); m.hasMatch())
            extent.sheet = QRectF(0, 0, m.captured(1).toDouble(), m.captured(2).toDouble());
        static const QRegularExpression word(u"<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                             u"xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""_s);
        for (auto it = word.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            const QRectF box(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                             QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            extent.words = extent.words.isNull() ? box : extent.words.united(box);
        }
        return extent;
    }

    // The pages of a PDF as text, laid out as printed; form feeds between pages.
    static QString pdfText(const QString& path) {
        QProcess process;
        process.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
        if (!process.waitForFinished(20000) || process.exitCode() != 0) {
            ADD_FAILURE() << "pdftotext failed on " << path.toStdString() << ": "
                          << process.readAllStandardError().toStdString();
            return {};
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    // The pages of a PDF as laid out by pdfText, each as its non-empty lines without trailing blanks.
    static std::vector<QStringList> pdfPageLines(const QString& path) {
        std::vector<QStringList> pages;
        for (const QString& page : pdfText(path).split(u'\f', Qt::SkipEmptyParts)) {
            static const QRegularExpression trailing(u"\\s+$"_s);
            QStringList lines = page.split(u'\n').replaceInStrings(trailing, QString());
            lines.removeAll(QString());
            if (!lines.isEmpty())
                pages.push_back(lines);
        }
        return pages;
    }

private:
    // The folder, or an empty text and a failure that says how to set the printer up.
    static QString folder() {
        const QString path = qEnvironmentVariable("VRQ_TEST_PRINTER_FOLDER");
        if (path.isEmpty() || !QDir(path).exists()) {
            ADD_FAILURE() << "No test printer: VRQ_TEST_PRINTER_FOLDER is not set to its folder. Run the "
                             "tests through scripts/test.sh, or export VRQ_TEST_PRINTER_FOLDER=\"$("
                             "scripts/test-printer.sh)\" first.";
            return {};
        }
        // Without it the print would stop at the question whether to save a PDF instead, and the test hang.
        if (QPrinterInfo::defaultPrinter().isNull()) {
            ADD_FAILURE() << "No default printer: CUPS is not running or has no default queue. Run "
                             "scripts/test-printer.sh again.";
            return {};
        }
        return path;
    }
    static QSet<QString> jobs(const QString& folder) {
        const QStringList names = QDir(folder).entryList({u"job-*.pdf"_s}, QDir::Files);
        return QSet<QString>(names.begin(), names.end());
    }
};

} // namespace vrq::test
