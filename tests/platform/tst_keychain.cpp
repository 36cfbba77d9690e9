#include "FileModes.h"
#include "Keychain.h"
#include "keychain_crash_values.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace KeychainKey;

namespace {
constexpr int itemCount = 4;

// SQL on the raw file, past the store's own recovery: the first value of the
// first row, or the error message.
QString raw(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    QString answer;
    char *error = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        answer = QStringLiteral("cannot open");
    else if (sqlite3_exec(
                 db, sql,
                 [](void *out, int, char **values, char **) {
                     auto *text = static_cast<QString *>(out);
                     if (text->isEmpty() && values[0])
                         *text = QString::fromUtf8(values[0]);
                     return 0;
                 },
                 &answer, &error)
             != SQLITE_OK)
        answer = QString::fromUtf8(error);
    sqlite3_free(error);
    sqlite3_close(db);
    return answer;
}

QStringList movedAside(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.unreadable-*")}, QDir::Files);
}

QVariantMap query(QVariantMap map)
{
    map.insert(Class, ClassGenericPassword);
    return map;
}

// Starts the saving child and kills it after a random delay; every fifth one
// dies early, while opening or filling the store. Draining the pipe meanwhile
// keeps the child from blocking on it, so the kill lands in its work.
QByteArray runAndKill(const QString &folder, QRandomGenerator &random, bool waitForLoop,
                      const QProcessEnvironment &environment
                      = QProcessEnvironment::systemEnvironment())
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral(KELVO_CRASH_CHILD), {folder, QString::number(itemCount)});
    QByteArray output;
    const auto drain = [&](QDeadlineTimer until, bool untilLoop) {
        while (!until.hasExpired() && child.state() == QProcess::Running
               && !(untilLoop && output.contains("R 0 0\n"))) {
            child.waitForReadyRead(int(until.remainingTime()));
            output += child.readAllStandardOutput();
        }
    };
    if (child.waitForStarted(10000) && waitForLoop)
        drain(QDeadlineTimer(20000), true);
    drain(QDeadlineTimer(int(random.bounded(0, waitForLoop ? 25 : 60))), false);
    child.kill();
    child.waitForFinished(10000);
    return output + child.readAllStandardOutput();
}

// The tests that need a desktop keyring run inside keyring_session.py, never
// against the keyring of whoever runs the suite.
bool inKeyringSession()
{
    return qgetenv("KELVO_KEYRING_SESSION") == "1";
}

void keyring(const char *action)
{
    QCOMPARE(QProcess::execute(QStringLiteral(KELVO_SYSTEM_PYTHON),
                               {QStringLiteral(KELVO_KEYRING_SESSION), QLatin1String(action)}),
             0);
}

// Runs call under a tightened resource limit. A file may not grow past the
// limit: the write fails (SIGXFSZ ignored) instead of killing the process.
template<typename Call> int limited(int resource, rlim_t value, Call call)
{
    rlimit old {};
    getrlimit(resource, &old);
    const rlimit tight {value, old.rlim_max};
    setrlimit(resource, &tight);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const int status = call();
    std::signal(SIGXFSZ, previous);
    setrlimit(resource, &old);
    return status;
}

// Looks the item up in a child unable to write the file; root passes every
// permission check, so there the child drops to "nobody" first.
int lookupWithReadOnlyFile(Keychain &keychain, const QString &folder, const QVariantMap &request)
{
    constexpr uid_t nobody = 65534;
    const QString file = folder + QStringLiteral("/keychain.sqlite");
    const bool root = ::geteuid() == 0;
    QFile::setPermissions(QFileInfo(folder).path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
    if (root
        && (::chown(QFile::encodeName(folder).constData(), nobody, nobody) != 0
            || ::chown(QFile::encodeName(file).constData(), nobody, nobody) != 0))
        return KeychainStatus::Success;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = !root || (::setgid(nobody) == 0 && ::setuid(nobody) == 0);
        _exit(dropped && QFile::setPermissions(file, QFile::ReadOwner)
                      && keychain.copyMatching(request) == KeychainStatus::NotAvailable
                  ? 0
                  : 2);
    }
    int wstatus = 0;
    ::waitpid(child, &wstatus, 0);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    return WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0 ? KeychainStatus::NotAvailable
                                                           : KeychainStatus::Success;
}

// Adds a generic password; the status.
template<typename Store> int add(Store &&keychain, const QString &account, const QByteArray &data)
{
    return keychain.addItem(query({{Account, account}, {ValueData, data}}));
}

// The item's data, null when the lookup fails.
QByteArray dataOf(Keychain &keychain, const QString &account)
{
    QVariant found;
    keychain.copyMatching(query({{Account, account}, {ReturnData, true}}), &found);
    return found.toByteArray();
}
} // namespace

class tst_Keychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_folder = m_dir->path() + QStringLiteral("/Keychain");
        m_file = m_folder + QStringLiteral("/keychain.sqlite");
    }

    void filesArePrivate()
    {
        // A folder left open by an earlier run is tightened, and a permissive
        // umask does not leak into the files.
        QVERIFY(QDir().mkpath(m_folder));
        QFile::setPermissions(m_folder,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                  | QFile::ReadOther | QFile::ExeOther);
        const mode_t oldMask = ::umask(0);
        Keychain keychain(m_folder);
        QCOMPARE(add(keychain, QStringLiteral("a"), "d"), KeychainStatus::Success);
        ::umask(oldMask);
        QCOMPARE(fileMode(m_folder), 0700);
        for (const char *suffix : {"", "-wal", "-shm"})
            QCOMPARE(fileMode(keychain.filePath() + QLatin1String(suffix)), 0600);
    }

    void everyKillLeavesOldOrNewValues_data()
    {
        QTest::addColumn<bool>("sealing");
        QTest::newRow("saving") << false;
        // Each round a child without a session bus fills a fresh store with plain
        // items; the next child, with a keyring, seals them as it starts.
        QTest::newRow("sealing plain items at the first start with a keyring") << true;
    }

    void everyKillLeavesOldOrNewValues()
    {
        QFETCH(bool, sealing);
        if (sealing && !inKeyringSession())
            QSKIP("needs keyring_session.py");
        const QString &folder = m_folder, &file = m_file;
        const int kills = qEnvironmentVariableIntValue("KELVO_CRASH_KILLS");
        const quint32 fixedSeed = quint32(qEnvironmentVariableIntValue("KELVO_CRASH_SEED"));
        const quint32 seed = fixedSeed ? fixedSeed : QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        // Per item, the last committed generation and the one being written (-1: none).
        qint64 committed[itemCount] = {-1, -1, -1, -1}, pending[itemCount] = {-1, -1, -1, -1};
        int commits = 0, midWrite = 0;
        QProcessEnvironment noBus = QProcessEnvironment::systemEnvironment();
        noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                     QStringLiteral("unix:path=/nonexistent"));
        for (int round = 0; round < (kills > 0 ? kills : sealing ? 40 : 200); ++round) {
            const QString where = QStringLiteral("kill %1, seed %2").arg(round).arg(seed);
            QByteArray output;
            if (sealing) {
                QVERIFY(QDir(folder).removeRecursively());
                std::fill(committed, committed + itemCount, -1);
                output = runAndKill(folder, random, true, noBus);
                QVERIFY2(raw(file, "SELECT count(*) FROM items WHERE nonce IS NULL") != "0",
                         qPrintable(where));
            }
            output += runAndKill(folder, random, round % 5 != 0 && !sealing);
            for (const QByteArray &line : output.split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                const int item = parts.value(1).toInt();
                if (parts.size() != 3 || parts[0] == "R" || item < 0 || item >= itemCount)
                    continue;
                pending[item] = parts[0] == "B" ? parts[2].toLongLong() : -1;
                // A child writes generation g only over g - 1: what the child
                // before it may have committed unseen, just before its kill.
                if (parts[0] == "B")
                    committed[item] = std::max(committed[item], pending[item] - 1);
                if (parts[0] == "C") {
                    committed[item] = parts[2].toLongLong();
                    ++commits;
                }
            }
            midWrite += int(
                std::count_if(pending, pending + itemCount, [](qint64 g) { return g >= 0; }));
            if (!QFileInfo::exists(file)) {
                QVERIFY2(std::count(committed, committed + itemCount, -1) == itemCount,
                         qPrintable(where));
                continue;
            }
            QVERIFY2(raw(file, "PRAGMA integrity_check") == "ok", qPrintable(where));
            QVERIFY2(movedAside(folder).isEmpty(), qPrintable(where));

            Keychain keychain(folder);
            for (int item = 0; item < itemCount; ++item) {
                QVariant found;
                const int status
                    = keychain.copyMatching(query({{Account, KeychainCrashValues::account(item)},
                                                   {ReturnAttributes, true},
                                                   {ReturnData, true}}),
                                            &found);
                QVERIFY2(status == (found.isValid() ? 0 : KeychainStatus::ItemNotFound),
                         qPrintable(where));
                const QVariantMap map = found.toMap();
                const qint64 generation
                    = KeychainCrashValues::generationOf(map.value(Generic).toByteArray(), item);
                const QString what
                    = where + QStringLiteral(", item %1 at %2").arg(item).arg(generation);
                QVERIFY2(generation == committed[item]
                             || (pending[item] >= 0 && generation == pending[item]),
                         qPrintable(what));
                if (generation >= 0)
                    QVERIFY2(map.value(ValueData).toByteArray()
                                 == KeychainCrashValues::data(item, generation),
                             qPrintable(what));
                committed[item] = generation;
                pending[item] = -1;
            }
            if (sealing)
                QVERIFY2(raw(file, "SELECT count(*) FROM items WHERE nonce IS NULL") == "0",
                         qPrintable(where));
        }
        qInfo("%d committed saves, %d kills during a write, seed %u", commits, midWrite, seed);
        QVERIFY(commits > 0);
        QVERIFY(midWrite > 0);
    }

    void sealedValues_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("round trip, no plain bytes in the file") << QStringLiteral("trip");
        QTest::newRow("value data copied to another row") << QStringLiteral("copied");
        QTest::newRow("keyring locked, then unlocked") << QStringLiteral("locked");
        QTest::newRow("key deleted from the keyring") << QStringLiteral("forgotten");
    }

    void sealedValues()
    {
        QFETCH(QString, situation);
        if (!inKeyringSession())
            QSKIP("needs keyring_session.py");
        const QString &file = m_file, a = QStringLiteral("a"), b = QStringLiteral("b");
        const QByteArray secret = QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        QCOMPARE(add(Keychain(m_folder), a, secret), 0);
        QCOMPARE(add(Keychain(m_folder), b, "b"), 0);
        Keychain keychain(m_folder);
        const QVariantMap lookup = query({{Account, a}, {ReturnData, true}});
        if (situation == QLatin1String("trip")) {
            QCOMPARE(dataOf(keychain, a), secret);
            // Renamed: sealed again under the new service and account.
            QCOMPARE(keychain.updateItems(
                         query({{Account, a}}),
                         {{Account, QStringLiteral("a2")}, {Service, QStringLiteral("s2")}}),
                     0);
            QCOMPARE(dataOf(keychain, QStringLiteral("a2")), secret);
            QVERIFY(!QByteArray(fileBytes(file) + fileBytes(file + QStringLiteral("-wal")))
                         .contains(secret));
        } else if (situation == QLatin1String("copied")) {
            raw(file,
                "UPDATE items SET (data, nonce) = (SELECT data, nonce FROM items WHERE"
                " account = 'a') WHERE account = 'b'");
            QCOMPARE(keychain.copyMatching(query({{Account, b}, {ReturnData, true}})),
                     int(KeychainStatus::Decode));
            QCOMPARE(dataOf(keychain, a), secret);
            // A rename that fails on the damaged row leaves the sound one as it was.
            QCOMPARE(keychain.updateItems(query({}), {{Service, QStringLiteral("s3")}}),
                     int(KeychainStatus::Decode));
            QCOMPARE(raw(file, "SELECT count(*) FROM items WHERE service = 's3'"),
                     QStringLiteral("0"));
        } else if (situation == QLatin1String("locked")) {
            keyring("lock");
            const QByteArray before = fileBytes(file);
            QCOMPARE(keychain.copyMatching(lookup), int(KeychainStatus::InteractionNotAllowed));
            QCOMPARE(keychain.deleteItems(lookup), int(KeychainStatus::InteractionNotAllowed));
            QCOMPARE(fileBytes(file), before);
            keyring("unlock");
            QCOMPARE(dataOf(keychain, a), secret);
        } else {
            keyring("forget-key");
            QCOMPARE(keychain.copyMatching(lookup), int(KeychainStatus::NotAvailable));
            QCOMPARE(add(keychain, b, "b"), int(KeychainStatus::NotAvailable));
            QCOMPARE(raw(file, "SELECT count(*) FROM items WHERE nonce NOT NULL"),
                     QStringLiteral("2"));
        }
    }

    void damagedFilesMovedAside_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("not a database at all") << QStringLiteral("text");
        QTest::newRow("garbage over a data page") << QStringLiteral("page");
        QTest::newRow("another program's database") << QStringLiteral("foreign");
        QTest::newRow("newer schema version") << QStringLiteral("version");
    }

    void damagedFilesMovedAside()
    {
        QFETCH(QString, damage);
        const QString &folder = m_folder, &file = m_file;
        if (damage == QLatin1String("page") || damage == QLatin1String("version")) {
            Keychain keychain(folder);
            for (int item = 0; item < 40; ++item)
                QCOMPARE(add(keychain, KeychainCrashValues::account(item),
                             KeychainCrashValues::data(item, 1)),
                         KeychainStatus::Success);
        }
        QVERIFY(QDir().mkpath(folder));
        QFile rawFile(file);
        QVERIFY(rawFile.open(QIODevice::ReadWrite));
        if (damage == QLatin1String("text")) {
            rawFile.write(QByteArray("this is not a keychain\n").repeated(200));
        } else if (damage == QLatin1String("page")) {
            QVERIFY(rawFile.size() > 3 * 4096);
            rawFile.seek(2 * 4096);
            rawFile.write(QByteArray(4096, '\x5a'));
        } else {
            QCOMPARE(raw(file,
                         damage == QLatin1String("version")
                             ? "PRAGMA user_version = 3"
                             : "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('x')"),
                     QString());
        }
        rawFile.close();
        const QByteArray damaged = fileBytes(file);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unreadable")));
        Keychain keychain(folder);
        QCOMPARE(add(keychain, QStringLiteral("new"), "fresh"), KeychainStatus::Success);
        QCOMPARE(dataOf(keychain, QStringLiteral("new")), QByteArray("fresh"));

        const QStringList aside = movedAside(folder);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(fileBytes(folder + QLatin1Char('/') + aside.first()), damaged);
    }

    void failuresKeepTheStore_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("no file descriptors left") << QStringLiteral("descriptors");
        QTest::newRow("read-only file") << QStringLiteral("read-only");
        QTest::newRow("no room for the commit") << QStringLiteral("commit");
    }

    // Failing to open or to commit is not damage: the call fails, the file and
    // the bound account stay, and the next call finds the item as it was.
    void failuresKeepTheStore()
    {
        QFETCH(QString, failure);
        const QString account = QStringLiteral("bound");
        QCOMPARE(add(Keychain(m_folder), account, "key"), KeychainStatus::Success);
        const QVariantMap request = query({{Account, account}, {ReturnData, true}});

        Keychain keychain(m_folder);
        int status = KeychainStatus::Success;
        if (failure == QLatin1String("read-only")) {
            status = lookupWithReadOnlyFile(keychain, m_folder, request);
        } else if (failure == QLatin1String("descriptors")) {
            const int lowestFree = ::dup(STDOUT_FILENO); // every lower number is taken
            ::close(lowestFree);
            status = limited(RLIMIT_NOFILE, rlim_t(lowestFree),
                             [&] { return keychain.copyMatching(request); });
        } else {
            QVERIFY(!dataOf(keychain, account).isNull()); // open, so only the commit writes
            status = limited(RLIMIT_FSIZE, 0, [&] {
                return keychain.updateItems(query({{Account, account}}),
                                            {{ValueData, QByteArray("new")}});
            });
        }
        QCOMPARE(status, int(KeychainStatus::NotAvailable));
        QVERIFY(movedAside(m_folder).isEmpty());
        QCOMPARE(dataOf(keychain, account), QByteArray("key"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString m_file;
};

QTEST_GUILESS_MAIN(tst_Keychain)
#include "tst_keychain.moc"
