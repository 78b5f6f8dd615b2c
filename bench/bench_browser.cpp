// Browser benchmark: builds a synthetic scan result in memory (a folder tree
// of thousands of mbox folders and an index of hundreds of thousands of
// messages) and times, in a shown main window on the offscreen platform:
// adding the folder tree, ticking and unticking its root, ticking a deep
// folder, and filling the message list of its largest folder. Each figure
// is given for two sizes, so that growth with the size can be read off.
//
// The preview of the first row is left out (a no-op stands in for it): it
// reads one message and does not depend on the size of the list.
//
// It prints figures and target verdicts only and always exits with 0.

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "app/mainwindow.h"
#include "browser/folderrecords.h"
#include "browser/previewdispatch.h"
#include "convert/mailsaving.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// Every figure should stay below this on a machine of today.
constexpr double kTargetMs = 200.0;

// One size of the synthetic scan.
struct Size {
    const char *label;
    int folders;
    int messages;
    int largestFolder; // messages of the one big folder
};

// Best times of one size, in milliseconds.
struct Figures {
    double addTree = 0;
    double tickRoot = 0;
    double untickRoot = 0;
    double tickDeepFolder = 0;
    double firstFill = 0;  // first click after the scan: builds the folder index
    double secondFill = 0; // a later click: index ready, list sorting on
    int rowsListed = 0;
    int treeDepth = 0;
};

// Previews nothing.
class NoPreviews : public previewdispatch::PreviewCalls
{
public:
    void backupRecord(QConverterMainWindow *, QTreeWidgetItem *) override {}
    void mboxRange(QConverterMainWindow *, const QString &, const QString &, const QString &) override {}
    void wholeFile(QConverterMainWindow *, const QString &) override {}
};

// A small deterministic generator, so every run builds the same tree.
class Random
{
public:
    quint32 next(quint32 bound)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33) % bound;
    }

private:
    quint64 m_state = 42;
};

struct FolderRow {
    qint64 id;
    qint64 parent;
    QString name;
    QString path;
};

// Folder ids from 502 on; each folder's parent is the root or an earlier
// folder, so parents always arrive first, as from the scanner.
std::vector<FolderRow> makeFolders(int count)
{
    Random random;
    std::vector<FolderRow> folders;
    folders.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const qint64 id = 502 + i;
        const qint64 parent = i < 12 ? llRootId : 502 + qint64(random.next(quint32(i)));
        const QString name = QStringLiteral("Folder %1.mbox").arg(id);
        folders.push_back({id, parent, name, QStringLiteral("/bench/Mail/") + name});
    }
    return folders;
}

// One index node per message, grouped by mailbox file as the indexer makes
// them; the folder at index 5 holds the largest mailbox.
void makeMessageIndex(const std::vector<FolderRow> &folders, const Size &size)
{
    releaseMboxMbxList();
    const int others = int(folders.size()) - 1;
    const int perFolder = (size.messages - size.largestFolder) / others;
    int remainder = (size.messages - size.largestFolder) % others;
    for (size_t f = 0; f < folders.size(); ++f) {
        int count = f == 5 ? size.largestFolder : perFolder + (remainder-- > 0 ? 1 : 0);
        qint64 offset = 0;
        for (int m = 0; m < count; ++m) {
            auto *node = new MboxMbx;
            node->szFilePath = folders[f].path;
            node->szFrom = QStringLiteral("Sender %1 <sender%1@example.com>").arg(m % 997);
            node->szSubject = QStringLiteral("Subject of message %1").arg(m);
            node->llOffset = offset;
            node->llLength = 2000 + m % 3000;
            offset += node->llLength;
            if (TmpMboxMbxPtrEnd)
                TmpMboxMbxPtrEnd->pNext = node;
            else
                TmpMboxMbxPtrStart = node;
            TmpMboxMbxPtrEnd = node;
        }
    }
}

double timeMs(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    // Layout and painting of the shown window belong to the figure.
    QApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e6;
}

QTreeWidgetItem *itemOf(QConverterMainWindow *window, qint64 id)
{
    for (QTreeWidgetItemIterator it(window->m_pFolderTree); *it; ++it) {
        if ((*it)->text(1) == QString::number(id))
            return *it;
    }
    return nullptr;
}

QTreeWidgetItem *deepestItem(QConverterMainWindow *window, int *depth)
{
    QTreeWidgetItem *deepest = nullptr;
    *depth = 0;
    for (QTreeWidgetItemIterator it(window->m_pFolderTree); *it; ++it) {
        int d = 0;
        for (QTreeWidgetItem *up = *it; up->parent(); up = up->parent())
            ++d;
        if (d > *depth) {
            *depth = d;
            deepest = *it;
        }
    }
    return deepest;
}

void click(QConverterMainWindow *window, QTreeWidgetItem *item, Qt::CheckState state)
{
    item->setCheckState(0, state);
    emit window->m_pFolderTree->itemClicked(item, 0);
}

Figures measure(QConverterMainWindow *window, const Size &size, int repeat)
{
    bMboxFileFound = true;
    const std::vector<FolderRow> folders = makeFolders(size.folders);
    Figures best;
    auto keepBest = [](double &slot, double value, bool first) { slot = first ? value : std::min(slot, value); };
    for (int run = 0; run < repeat; ++run) {
        const bool first = run == 0;
        window->clearFolderTree();
        window->m_pMessageList->clear();
        QApplication::processEvents();
        makeMessageIndex(folders, size);

        keepBest(best.addTree, timeMs([&] {
                     for (const FolderRow &folder : folders)
                         window->OnMakeTreeWidget(folder.id, folder.name, folder.parent, folder.path);
                 }),
                 first);
        QTreeWidgetItem *root = window->m_pFolderTree->topLevelItem(0);
        keepBest(best.tickRoot, timeMs([&] { click(window, root, Qt::Checked); }), first);
        keepBest(best.untickRoot, timeMs([&] { click(window, root, Qt::Unchecked); }), first);
        QTreeWidgetItem *deep = deepestItem(window, &best.treeDepth);
        keepBest(best.tickDeepFolder, timeMs([&] { click(window, deep, Qt::Checked); }), first);

        QTreeWidgetItem *largest = itemOf(window, folders[5].id);
        keepBest(best.firstFill, timeMs([&] { click(window, largest, largest->checkState(0)); }), first);
        best.rowsListed = window->m_pMessageList->topLevelItemCount();
        keepBest(best.secondFill, timeMs([&] { click(window, largest, largest->checkState(0)); }), first);
    }
    return best;
}

QString verdict(double ms)
{
    return ms < kTargetMs ? QStringLiteral("ok") : QStringLiteral("OVER");
}

void printFigures(const Size &size, const Figures &figures)
{
    std::printf("\n%s: %d folders (tree depth %d), %d indexed messages, largest folder %d messages "
                "(%d rows listed)\n",
                size.label, size.folders, figures.treeDepth, size.messages, size.largestFolder,
                figures.rowsListed);
    const struct {
        const char *what;
        double ms;
    } rows[] = {{"add the folder tree", figures.addTree},
                {"tick the root", figures.tickRoot},
                {"untick the root", figures.untickRoot},
                {"tick the deepest folder", figures.tickDeepFolder},
                {"fill the largest folder, first click", figures.firstFill},
                {"fill the largest folder, again", figures.secondFill}};
    for (const auto &row : rows)
        std::printf("  %-40s %9.1f ms  %s\n", row.what, row.ms, qPrintable(verdict(row.ms)));
}

void printGrowth(const Figures &half, const Figures &full)
{
    std::printf("\nGrowth from the half size to the full size (2.0 is linear, 4.0 quadratic):\n");
    const struct {
        const char *what;
        double half;
        double full;
    } rows[] = {{"add the folder tree", half.addTree, full.addTree},
                {"tick the root", half.tickRoot, full.tickRoot},
                {"untick the root", half.untickRoot, full.untickRoot},
                {"fill the largest folder, first click", half.firstFill, full.firstFill},
                {"fill the largest folder, again", half.secondFill, full.secondFill}};
    for (const auto &row : rows)
        std::printf("  %-40s x %.2f\n", row.what, row.half > 0 ? row.full / row.half : 0.0);
}

} // namespace bench

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the folder tree and message list on a synthetic scan."));
    parser.addHelpOption();
    QCommandLineOption repeatOption(QStringLiteral("repeat"), QStringLiteral("Runs per size; the best counts."),
                                    QStringLiteral("N"), QStringLiteral("3"));
    parser.addOption(repeatOption);
    parser.process(app);
    const int repeat = std::max(1, parser.value(repeatOption).toInt());

    initConverterResources();
    QTemporaryDir resources;
    HelpFilePath = resources.path();
    strPlistPathLink = HelpFilePath;
    strPlistPath = HelpFilePath + QStringLiteral("/MailConverterLink.plist");
    // The browser's own messages (one debug line per listed file) stay quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("converter.browser.*.debug=false"));

    auto *window = new QConverterMainWindow(nullptr);
    window->resize(1200, 800);
    window->show();
    QApplication::processEvents();
    bench::NoPreviews previews;
    previewdispatch::setPreviewCalls(&previews);

    const bench::Size half{"Half size", 2500, 100000, 20000};
    const bench::Size full{"Full size", 5000, 200000, 40000};
    const bench::Figures halfFigures = bench::measure(window, half, repeat);
    const bench::Figures fullFigures = bench::measure(window, full, repeat);
    std::printf("Browser benchmark, best of %d runs per size; target %.0f ms per figure.\n", repeat,
                bench::kTargetMs);
    bench::printFigures(half, halfFigures);
    bench::printFigures(full, fullFigures);
    bench::printGrowth(halfFigures, fullFigures);

    previewdispatch::setPreviewCalls(nullptr);
    window->clearFolderTree();
    releaseMboxMbxList();
    delete window->licenseAct;
    delete window;
    delete pMessageSavingThread;
    delete pMailSaving;
    return 0;
}
