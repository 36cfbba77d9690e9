#pragma once

#include <QWidget>
#include <memory>

class PXLoginModel;
class PXSettingCellDelegate;
class PXSwitch;
class QLabel;

// A settings row: the lock kind's title and its switch. A change of the
// switch goes to the delegate; the record itself is left as it is.
class PXSettingCell : public QWidget
{
    Q_OBJECT
public:
    static inline const QString reuseIdentifier = QStringLiteral("settingCell");

    explicit PXSettingCell(QWidget *parent = nullptr);

    std::shared_ptr<PXLoginModel> model() const { return m_model; }
    // Shows the record's title and state (the switch moves without animation).
    void setModel(std::shared_ptr<PXLoginModel> model);
    void setDelegate(PXSettingCellDelegate *delegate) { m_delegate = delegate; }

    QLabel *title() const { return m_title; }
    PXSwitch *sw() const { return m_switch; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void switchAction(bool on);

    QLabel *m_title;
    PXSwitch *m_switch;
    std::shared_ptr<PXLoginModel> m_model;
    PXSettingCellDelegate *m_delegate = nullptr;
};
