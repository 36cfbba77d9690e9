#include "BrowserHandoff.h"

#include "PlatformLog.h"
#include "PrivateRuntimeFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString pagePrefix = QStringLiteral("open-");

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}
} // namespace

BrowserHandoff::BrowserHandoff(std::chrono::milliseconds lifetime, QObject *parent)
    : QObject(parent)
    , m_lifetime(lifetime)
{ }

BrowserHandoff::~BrowserHandoff()
{
    for (const QString &page : std::as_const(m_pages))
        QFile::remove(page);
}

QUrl BrowserHandoff::pageFor(const QUrl &url)
{
    QString problem;
    const QString folder = PrivateRuntimeFolder::path(&problem);
    if (folder.isEmpty()) {
        qCWarning(lcPlatform).noquote() << "cannot hand a URL to the browser:" << problem;
        return {};
    }
    removeStalePages(folder);
    const QString page = writePage(folder, url);
    if (page.isEmpty())
        return {};
    m_pages.append(page);
    QTimer::singleShot(m_lifetime, this, [this, page] { removePage(page); });
    return QUrl::fromLocalFile(page);
}

// Meta refresh, with a link for a browser that does not follow it. The URL
// appears only inside double-quoted attributes, HTML-escaped, so no URL can
// end the attribute or add markup.
QByteArray BrowserHandoff::pageText(const QUrl &url)
{
    const QString target = QString::fromLatin1(url.toEncoded()).toHtmlEscaped();
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                          "<meta name=\"referrer\" content=\"no-referrer\">"
                          "<meta http-equiv=\"refresh\" content=\"0;url=%1\">"
                          "<title>Kelvo Ostrel</title></head>\n"
                          "<body><p><a href=\"%1\">Kelvo Ostrel</a></p></body></html>\n")
        .arg(target)
        .toUtf8();
}

QString BrowserHandoff::writePage(const QString &folder, const QUrl &url)
{
    const quint64 random = QRandomGenerator::system()->generate64();
    const QString page
        = folder + u'/' + pagePrefix + QString::number(random, 16) + QStringLiteral(".html");
    // Created 0600 and exclusively: never a file or link someone else made.
    const int fd = ::open(QFile::encodeName(page).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        qCWarning(lcPlatform) << "cannot write the page for the browser in" << folder;
        return {};
    }
    const bool written = writeAll(fd, pageText(url));
    if (::close(fd) != 0 || !written) {
        QFile::remove(page);
        return {};
    }
    return page;
}

// Pages a crashed run left behind.
void BrowserHandoff::removeStalePages(const QString &folder) const
{
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-m_lifetime.count());
    const auto entries = QDir(folder).entryInfoList({pagePrefix + u'*'}, QDir::Files);
    for (const QFileInfo &entry : entries) {
        if (entry.lastModified() < before)
            QFile::remove(entry.filePath());
    }
}

void BrowserHandoff::removePage(const QString &page)
{
    QFile::remove(page);
    m_pages.removeAll(page);
}
