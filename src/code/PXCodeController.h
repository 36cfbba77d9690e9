#pragma once

#include "PXBaseController.h"
#include "PXLoginButton.h"
#include "PXReachability.h"
#include "PXTableView.h"

#include <QList>
#include <QPointer>
#include <QRectF>
#include <memory>

class CryptorTools;
class OTPAuthURL;
class OTPCountdownClock;
class QLabel;
class TOTPCodeCell;

// The home screen: a security notice, the row with the current code, the
// countdown clock of its period and the login tiles. Each appearance
// refreshes the service clock and asks the service whether to offer the
// partner-app login; the answer (or, failing one, the last stored answer)
// rebuilds the content.
class PXCodeController : public PXBaseController,
                         public PXReachabilityDelegate,
                         public PXLoginButtonDelegate,
                         private PXTableViewDataSource
{
    Q_OBJECT
public:
    static inline const QString hidePellinKey = QStringLiteral("hidePellin");

    explicit PXCodeController(QWidget *parent = nullptr);

    void viewDidLoad() override;
    void viewDidAppear() override;
    // Refreshes what depends on the service while this screen is shown.
    void networkReachable() override;

    // "<name>&<current code>", computed afresh on every read; null without an
    // account.
    QString key();
    // Asks the service whether to hide the partner-app tile, then rebuilds.
    void setEntrance();
    // Replaces the whole content with one built for hidePellin().
    void loadingView();
    // 0 the web site, 1 the main app, 2 the Pellin app; anything else nothing.
    void loginButtonClicked(qint64 loginPort) override;
    // One login each: the key encrypted for the target, in the target's URL,
    // opened once. A partner app that cannot be opened gets its store page.
    void loginM();
    void loginApp();
    void loginPellin();
    void clickLeftBarButton() override;
    void clickRightBarButton() override;

    std::shared_ptr<OTPAuthURL> authURL() const { return m_authURL; }
    bool hidePellin() const { return m_hidePellin; }
    QLabel *noticeLabel() const { return m_label; }
    PXTableView *table() const { return m_table; }
    TOTPCodeCell *codeCell() const;
    OTPCountdownClock *clock() const { return m_clock; }
    QList<PXLoginButton *> loginButtons() const;

    // Where the tiles go on a screen of that width, below top: one centred
    // web-login tile, or both with equal gaps. In points.
    static QList<QRectF> loginButtonFrames(double width, double top, bool hidePellin);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void waitForKeyring();
    int numberOfRows() const override { return 1; }
    QWidget *cellForRow(int row) override;
    void entranceAnswered(int code);
    void useStoredEntrance();
    PXLoginButton *addLoginButton(const QString &image, const QString &caption, double imageWidth,
                                  qint64 port);
    void layoutContent();
    // The key encrypted with tool, standard Base64; null, with a message to
    // the merchant, when there is no account or no key.
    QString loginToken(const CryptorTools *tool);
    void openPartnerApp(const QString &scheme, const CryptorTools *tool, const char *storeURL);

    std::shared_ptr<OTPAuthURL> m_authURL;
    QString m_key;
    bool m_hidePellin = false;
    // Everything loadingView builds lives under m_content, so a rebuild
    // replaces it in one piece.
    QPointer<QWidget> m_content;
    QLabel *m_label = nullptr;
    PXTableView *m_table = nullptr;
    OTPCountdownClock *m_clock = nullptr;
    PXLoginButton *m_webLogin = nullptr;
    PXLoginButton *m_pellinLogin = nullptr;
};
