#include "Keychain.h"
#include "keychain_crash_values.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <vector>

namespace {
constexpr int itemCount = 4;

// Runs a statement on the raw file, outside Keychain, so a problem cannot be
// hidden by the store's own recovery.
QString rawAnswer(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    QString answer = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        == SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            answer = QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        else
            answer = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(db);
    return answer;
}

bool rawExecute(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
            == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    return ok;
}

QStringList movedAside(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.unreadable-*")}, QDir::Files);
}

QVariantMap query(const QVariantMap &extra)
{
    QVariantMap map = extra;
    map.insert(KeychainKey::Class, KeychainKey::ClassGenericPassword);
    return map;
}

// What the child told us about each item: the last committed generation and
// the one it was writing when it died (-1: none).
struct ItemState
{
    qint64 committed = -1;
    qint64 pending = -1;
};

int killCount()
{
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("KELVO_CRASH_KILLS", &ok);
    return ok && fromEnvironment > 0 ? fromEnvironment : 200;
}
} // namespace

class tst_KeychainCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKillLeavesOldOrNewValues();
    void damagedFilesMovedAside_data();
    void damagedFilesMovedAside();

private:
    QByteArray runAndKill(const QString &folder, QRandomGenerator &random, bool waitForLoop);
    void readReport(const QByteArray &output, std::vector<ItemState> &states);
    void verifyStore(const QString &folder, std::vector<ItemState> &states);
};

QByteArray tst_KeychainCrash::runAndKill(const QString &folder, QRandomGenerator &random,
                                         bool waitForLoop)
{
    QProcess child;
    child.start(QStringLiteral(KELVO_CRASH_CHILD), {folder, QString::number(itemCount)});
    if (!child.waitForStarted(10000))
        return {};
    QByteArray output;
    QDeadlineTimer ready(20000);
    while (waitForLoop && !output.contains("R 0 0\n") && !ready.hasExpired()
           && child.state() == QProcess::Running) {
        child.waitForReadyRead(int(ready.remainingTime()));
        output += child.readAllStandardOutput();
    }
    // Keep draining while waiting, so the child never blocks on a full pipe
    // and the kill lands in its work rather than in a write to us.
    QDeadlineTimer delay(int(random.bounded(0, 25)));
    while (!delay.hasExpired() && child.state() == QProcess::Running) {
        child.waitForReadyRead(int(delay.remainingTime()));
        output += child.readAllStandardOutput();
    }
    child.kill();
    child.waitForFinished(10000);
    output += child.readAllStandardOutput();
    return output;
}

void tst_KeychainCrash::readReport(const QByteArray &output, std::vector<ItemState> &states)
{
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 3 || parts[0] == "R")
            continue;
        const int item = parts[1].toInt();
        QVERIFY(item >= 0 && item < itemCount);
        ItemState &state = states[size_t(item)];
        if (parts[0] == "B") {
            state.pending = parts[2].toLongLong();
        } else {
            state.committed = parts[2].toLongLong();
            state.pending = -1;
        }
    }
}

void tst_KeychainCrash::verifyStore(const QString &folder, std::vector<ItemState> &states)
{
    const QString file = folder + QStringLiteral("/keychain.sqlite");
    if (!QFileInfo::exists(file)) {
        for (const ItemState &state : states)
            QCOMPARE(state.committed, -1);
        return;
    }
    QCOMPARE(rawAnswer(file, "PRAGMA integrity_check"), QStringLiteral("ok"));
    QVERIFY(movedAside(folder).isEmpty());

    Keychain keychain(folder);
    for (int item = 0; item < itemCount; ++item) {
        ItemState &state = states[size_t(item)];
        QVariant found;
        const int status = keychain.copyMatching(
            query({{KeychainKey::Service, KeychainCrashValues::service()},
                   {KeychainKey::Account, KeychainCrashValues::account(item)},
                   {KeychainKey::ReturnAttributes, true},
                   {KeychainKey::ReturnData, true}}),
            &found);
        if (status == KeychainStatus::ItemNotFound) {
            QCOMPARE(state.committed, -1);
            continue;
        }
        QCOMPARE(status, KeychainStatus::Success);
        const QVariantMap map = found.toMap();
        const qint64 generation = KeychainCrashValues::generationOf(
            map.value(KeychainKey::Generic).toByteArray(), item);
        QVERIFY2(generation == state.committed || generation == state.pending,
                 qPrintable(QStringLiteral("item %1 holds generation %2, expected %3 or %4")
                                .arg(item)
                                .arg(generation)
                                .arg(state.committed)
                                .arg(state.pending)));
        QVERIFY(map.value(KeychainKey::ValueData).toByteArray()
                == KeychainCrashValues::data(item, generation));
        state = {generation, -1};
    }
}

void tst_KeychainCrash::everyKillLeavesOldOrNewValues()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + QStringLiteral("/Keychain");
    const quint32 seed = quint32(qEnvironmentVariableIntValue("KELVO_CRASH_SEED"))
        ? quint32(qEnvironmentVariableIntValue("KELVO_CRASH_SEED"))
        : QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    std::vector<ItemState> states(itemCount);
    int midWrite = 0;
    qint64 commits = 0;
    const int kills = killCount();
    for (int round = 0; round < kills; ++round) {
        // Every fifth child dies early, while opening or filling the store.
        const QByteArray output = runAndKill(folder, random, round % 5 != 0);
        commits += output.count("\nC ") + (output.startsWith("C ") ? 1 : 0);
        readReport(output, states);
        for (const ItemState &state : states)
            midWrite += state.pending >= 0 ? 1 : 0;
        verifyStore(folder, states);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("after kill %1, seed %2").arg(round).arg(seed)));
    }
    qInfo("%d kills, %lld committed saves, %d kills during a write, seed %u", kills, commits,
          midWrite, seed);
    QVERIFY(commits > 0);
    QVERIFY(midWrite > 0);
}

void tst_KeychainCrash::damagedFilesMovedAside_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("not a database at all") << QStringLiteral("text");
    QTest::newRow("garbage over a data page") << QStringLiteral("page");
    QTest::newRow("another program's database") << QStringLiteral("foreign");
    QTest::newRow("newer schema version") << QStringLiteral("version");
}

void tst_KeychainCrash::damagedFilesMovedAside()
{
    QFETCH(QString, damage);
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/Keychain");
    const QString file = folder + QStringLiteral("/keychain.sqlite");
    if (damage == QLatin1String("text")) {
        QVERIFY(QDir().mkpath(folder));
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(QByteArray("this is not a keychain\n").repeated(200));
    } else if (damage == QLatin1String("foreign")) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(rawExecute(file, "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('x')"));
    } else {
        {
            Keychain keychain(folder);
            for (int item = 0; item < 40; ++item)
                QCOMPARE(keychain.addItem(
                             query({{KeychainKey::Account, KeychainCrashValues::account(item)},
                                    {KeychainKey::ValueData, KeychainCrashValues::data(item, 1)}})),
                         KeychainStatus::Success);
        }
        if (damage == QLatin1String("version")) {
            QVERIFY(rawExecute(file, "PRAGMA user_version = 2"));
        } else {
            QFile raw(file);
            QVERIFY(raw.open(QIODevice::ReadWrite));
            QVERIFY(raw.size() > 3 * 4096);
            raw.seek(2 * 4096);
            raw.write(QByteArray(4096, '\x5a'));
        }
    }
    const QByteArray damaged = [&] {
        QFile raw(file);
        return raw.open(QIODevice::ReadOnly) ? raw.readAll() : QByteArray();
    }();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable")));
    Keychain keychain(folder);
    QCOMPARE(keychain.addItem(query({{KeychainKey::Account, QStringLiteral("new")},
                                     {KeychainKey::ValueData, QByteArray("fresh")}})),
             KeychainStatus::Success);
    QVariant found;
    QCOMPARE(keychain.copyMatching(query({{KeychainKey::Account, QStringLiteral("new")},
                                          {KeychainKey::ReturnData, true}}),
                                   &found),
             KeychainStatus::Success);
    QCOMPARE(found.toByteArray(), QByteArray("fresh"));

    const QStringList aside = movedAside(folder);
    QCOMPARE(aside.size(), 1);
    QFile kept(folder + QLatin1Char('/') + aside.first());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
}

QTEST_GUILESS_MAIN(tst_KeychainCrash)
#include "tst_keychaincrash.moc"
