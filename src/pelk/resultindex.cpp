#include "pelk/resultindex.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <memory>

#include "core/date.h"
#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "pelk/resultmarks.h"

namespace {

// The list fills in steps small enough to show games at once and large
// enough that a big file does not flood the interface with updates.
constexpr int kBatchGames = 2000;
constexpr qint64 kBatchMilliseconds = 100;

}  // namespace

ResultIndex::ResultIndex(QObject* parent) : QObject(parent) {}

ResultIndex::~ResultIndex() {
    close();
}

void ResultIndex::close() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
    stop_ = false;
    ++generation_;  // batches still queued from the old reader are ignored
    entries_.clear();
    entries_.squeeze();
    complete_ = false;
    numbered_ = false;
    path_.clear();
}

bool ResultIndex::open(const QString& path, QString* error) {
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (QFileInfo(path).isDir()) {
        if (error) *error = QStringLiteral("%1 is a directory, not a PGN file.").arg(path);
        return false;
    }
    path_ = path;
    emit gamesFound(0);  // the list empties before the new file's games come
    worker_ = std::thread(&ResultIndex::find, this, path, generation_);
    return true;
}

void ResultIndex::find(QString path, quint64 generation) {
    MFile file;
    const QByteArray name = QFile::encodeName(path);
    QVector<ResultEntry> batch;
    if (file.Open(name.constData(), FMODE_ReadOnly) == OK) {
        auto parser = std::make_unique<PgnParser>(&file);
        parser->SetEndOfInputWarnings(false);
        auto game = std::make_unique<Game>();
        QElapsedTimer sinceBatch;
        sinceBatch.start();
        quint64 start = parser->InputOffset();
        errorT status;
        uint32_t errors = 0;
        while (!stop_ && (status = parser->ParseGame(game.get())) != ERROR_NotFound) {
            const quint64 end = parser->GameEndOffset();
            ResultEntry entry;
            entry.offset = start;
            entry.length = quint32(std::min<quint64>(end - start, UINT32_MAX));
            const resultmarks::Counts counts = resultmarks::count(*game);
            entry.original = counts.original;
            entry.matches = counts.match;
            entry.matches2 = counts.match2;
            entry.year = quint16(date_GetYear(game->GetDate()));
            entry.result = game->GetResult();
            entry.damaged = status != OK || parser->ErrorCount() != errors;
            errors = parser->ErrorCount();
            batch.push_back(entry);
            start = end;
            if (batch.size() >= kBatchGames || sinceBatch.elapsed() >= kBatchMilliseconds) {
                QMetaObject::invokeMethod(
                    this, [this, generation, batch] { append(generation, batch, false); },
                    Qt::QueuedConnection);
                batch.clear();
                sinceBatch.restart();
            }
        }
    }
    if (stop_) return;
    QMetaObject::invokeMethod(
        this, [this, generation, batch] { append(generation, batch, true); }, Qt::QueuedConnection);
}

void ResultIndex::append(quint64 generation, const QVector<ResultEntry>& batch, bool last) {
    if (generation != generation_) return;
    for (const ResultEntry& e : batch) numbered_ = numbered_ || e.original != 0;
    entries_ += batch;
    if (!batch.isEmpty()) emit gamesFound(count());
    if (last) {
        complete_ = true;
        if (worker_.joinable()) worker_.join();
        entries_.squeeze();
        emit completed(count());
    }
}

int ResultIndex::findOriginal(unsigned n) const {
    if (!numbered_) return n >= 1 && n <= unsigned(count()) ? int(n - 1) : -1;
    for (int i = 0; i < count(); ++i) {
        if (entries_[i].original == n) return i;
    }
    return -1;
}

QString ResultIndex::decoded(const char* text) {
    if (text == nullptr) return {};
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString result = utf8(QByteArrayView(text));
    return utf8.hasError() ? QString::fromLatin1(text) : result;
}

QString ResultIndex::tagText(const char* value) {
    QString text = decoded(value);
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() &&
            (text[i + 1] == u'"' || text[i + 1] == u'\\'))
            ++i;
        shown += text[i];
    }
    return shown;
}

QByteArray ResultIndex::text(int i) const {
    QFile file(path_);
    if (i < 0 || i >= count() || !file.open(QIODevice::ReadOnly) ||
        !file.seek(qint64(entries_[i].offset))) {
        return {};
    }
    return file.read(entries_[i].length);
}

bool ResultIndex::read(int i, Game* game, QString* log) const {
    const QByteArray bytes = text(i);
    MFile file;
    file.OpenMemory(bytes.constData(), size_t(bytes.size()), "game");
    PgnParser parser(&file);
    parser.SetEndOfInputWarnings(false);
    const errorT status = parser.ParseGame(game);
    if (status == ERROR_NotFound) game->Clear();
    if (log) *log = QString::fromUtf8(parser.ErrorMessages()).trimmed();
    return status == OK && parser.ErrorCount() == 0;
}
