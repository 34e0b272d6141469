// bench_textengine: loading and saving a 10 MB RTF document through the
// text-engine control (Kruti Dev glyph text with a format change every few
// words, paragraphs, a table), in MB/s; and, where LibreOffice is installed,
// its time to turn the same file into text, for comparison.
#include "document/documentmodel.h"
#include "document/rtf/rtfmodel.h"
#include "kruti/cp1252.h"
#include "textengine/textcontrol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <ctime>
#include <random>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

// Processor time of this process, which a busy machine disturbs less than
// the wall clock.
double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

rtf::Inline run(const std::string &glyphs, int variant)
{
    rtf::Inline in;
    in.text = kruti::glyphsToUtf16(glyphs);
    in.format.font = variant % 7 == 6 ? "Arial" : "Kruti Dev 010";
    in.format.halfPoints = 24 + 4 * (variant % 3);
    in.format.bold = variant % 2;
    in.format.italic = variant % 5 == 1;
    in.format.underline = variant % 11 == 3;
    if (variant % 4 == 2)
        in.format.color = 0x800000u + uint32_t(variant % 3);
    return in;
}

// Roughly `bytes` of RTF: paragraphs of glyph words, a run of 3 to 5 words
// per format, and a 40 by 4 table in the middle.
rtf::Document generate(size_t bytes)
{
    static const char *words[] = {"dey", "fgUnh", "Hkkjr", "esa", "vkSj", "\x91\x83h", "dk",
                                  "ds", "fy,", "gS", "\xa2\xb1", "iqLrd", "Nk=", "\xd8\xcd"};
    std::mt19937 rng(7);
    rtf::Document doc;
    size_t approx = 0;
    int variant = 0;
    bool tableDone = false;
    while (approx < bytes) {
        rtf::Block b;
        const int runs = 10 + int(rng() % 10);
        for (int r = 0; r < runs; ++r) {
            std::string glyphs;
            const int n = 3 + int(rng() % 3);
            for (int w = 0; w < n; ++w) {
                glyphs += words[rng() % std::size(words)];
                glyphs += ' ';
            }
            approx += glyphs.size() + 28;
            b.paragraph.inlines.push_back(run(glyphs, variant++));
        }
        doc.blocks.push_back(std::move(b));
        if (!tableDone && approx > bytes / 2) {
            tableDone = true;
            rtf::Block t;
            for (int r = 0; r < 40; ++r) {
                rtf::Row row;
                for (int c = 0; c < 4; ++c) {
                    rtf::Cell cell;
                    cell.right = 2000 * (c + 1);
                    cell.borders = {15, 15, 15, 15};
                    rtf::Block p;
                    p.paragraph.inlines.push_back(run("dey " + std::to_string(r * 4 + c), variant++));
                    cell.blocks.push_back(std::move(p));
                    row.cells.push_back(std::move(cell));
                }
                t.table.rows.push_back(std::move(row));
            }
            doc.blocks.push_back(std::move(t));
        }
    }
    return doc;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"bench.rtf"_s);
    const std::string rtfText = rtf::write(generate(25u << 19));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(rtfText.data(), qint64(rtfText.size())) != qint64(rtfText.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const double mb = double(rtfText.size()) / (1 << 20);
    std::printf("document: %.1f MB of RTF\n", mb);

    // The parts: the reader and the writer on their own.
    QElapsedTimer t;
    t.start();
    rtf::Document model;
    rtf::read(rtfText, model);
    const double readSec = t.nsecsElapsed() / 1e9;
    t.restart();
    const std::string written = rtf::write(model);
    const double writeSec = t.nsecsElapsed() / 1e9;
    std::printf("RTF reader alone: %.1f MB/s; writer alone: %.1f MB/s\n", mb / readSec,
                double(written.size()) / (1 << 20) / writeSec);

    t.restart();
    {
        QTextDocument doc;
        doc.setUndoRedoEnabled(false);
        QTextCursor c(&doc);
        c.beginEditBlock();
        document::insertModel(model, c);
        c.endEditBlock();
        const double buildSec = t.nsecsElapsed() / 1e9;
        t.restart();
        const rtf::Document back = document::modelFromDocument(doc, model.page);
        std::printf("document built from the model: %.3f s; model from the document: %.3f s\n", buildSec,
                    t.nsecsElapsed() / 1e9);
        t.restart();
    }
    std::printf("document freed: %.3f s\n", t.nsecsElapsed() / 1e9);

    textengine::TextControl control;
    t.restart();
    double cpu = cpuSeconds();
    if (!control.Load(file, 0, textengine::TextControl::FormatRtf)) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(control.errorString()));
        return 1;
    }
    const double loadSec = t.nsecsElapsed() / 1e9;
    const double loadCpu = cpuSeconds() - cpu;
    std::printf("load: %.3f s, %.1f MB/s; processor time %.3f s, %.1f MB/s (%d characters)\n", loadSec,
                mb / loadSec, loadCpu, mb / loadCpu, control.document()->characterCount());

    const QString out = dir.filePath(u"saved.rtf"_s);
    t.restart();
    cpu = cpuSeconds();
    if (!control.Save(out, 0, textengine::TextControl::FormatRtf)) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(control.errorString()));
        return 1;
    }
    const double saveSec = t.nsecsElapsed() / 1e9;
    const double saveCpu = cpuSeconds() - cpu;
    const double outMb = double(QFile(out).size()) / (1 << 20);
    std::printf("save: %.3f s, %.1f MB/s; processor time %.3f s, %.1f MB/s (%.1f MB written)\n", saveSec,
                outMb / saveSec, saveCpu, outMb / saveCpu, outMb);

    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (app.arguments().contains(u"--no-libreoffice"_s))
        return 0;
    if (soffice.isEmpty()) {
        std::printf("LibreOffice: not installed, no comparison\n");
        return 0;
    }
    QProcess lo;
    QStringList env = QProcess::systemEnvironment();
    env << u"HOME="_s + dir.path();
    lo.setEnvironment(env);
    t.restart();
    lo.start(soffice, {u"--headless"_s, u"--convert-to"_s, u"txt:Text (encoded):UTF8"_s, u"--outdir"_s,
                       dir.filePath(u"lo"_s), file});
    if (!lo.waitForFinished(600000) || lo.exitCode() != 0) {
        std::printf("LibreOffice: conversion failed\n");
        return 0;
    }
    const double loSec = t.nsecsElapsed() / 1e9;
    std::printf("LibreOffice to text: %.3f s; our load is %.2f of its time\n", loSec, loadSec / loSec);
    return 0;
}
