#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <chrono>

// Hands a URL to the browser without putting it on any command line: the
// arguments of xdg-open and of the browser are readable by every local user,
// and a login URL carries a one-time token. The URL goes into a small page,
// private to this user, that sends the browser on; only the page's file URL
// is passed along. The page is removed once the browser has had time to read
// it, and at the latest when this object goes.
class BrowserHandoff : public QObject
{
    Q_OBJECT
public:
    explicit BrowserHandoff(std::chrono::milliseconds lifetime = std::chrono::minutes(1),
                            QObject *parent = nullptr);
    ~BrowserHandoff() override;

    // Writes the page for url (0600, in the private runtime folder) and
    // returns its file URL; an empty URL when no page can be written.
    QUrl pageFor(const QUrl &url);

    static QByteArray pageText(const QUrl &url);

private:
    QString writePage(const QString &folder, const QUrl &url);
    void removeStalePages(const QString &folder) const;
    void removePage(const QString &page);

    std::chrono::milliseconds m_lifetime;
    QStringList m_pages;
};
