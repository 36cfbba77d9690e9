#pragma once

#include <QDate>
#include <QString>
#include <QWidget>

class PXParamModel;

// Base of views that need the screen's services without being a screen.
class PXBaseView : public QWidget
{
    Q_OBJECT
public:
    explicit PXBaseView(QWidget *parent = nullptr);

    PXParamModel *param();
    // Modal alert titled "提示" with the single button "确定".
    void showAlertView(const QString &message);
    // The day pattern the lock views print dates with.
    static QString dateFormat() { return QStringLiteral("yyyy-MM-dd"); }
    static QString stringFromDate(const QDate &date) { return date.toString(dateFormat()); }

private:
    PXParamModel *m_param = nullptr;
};
