#pragma once

#include <QLineEdit>
#include <functional>

// A one-line entry in the app's look: 16-point text, placeholder, rounded
// "#EEF2F3" box and a clear button. Every user edit is first put to the
// change filter as (position, removed length, inserted text); a refused edit
// leaves the text as it was. Screens follow accepted edits through
// editingChanged(), not QLineEdit's own signals.
class PXTextField : public QLineEdit
{
    Q_OBJECT
public:
    using ChangeFilter
        = std::function<bool(PXTextField *field, int position, int length, const QString &text)>;

    explicit PXTextField(QWidget *parent = nullptr);

    void setChangeFilter(ChangeFilter filter) { m_filter = std::move(filter); }
    void setTag(int tag) { m_tag = tag; }
    int tag() const { return m_tag; }

Q_SIGNALS:
    void editingChanged(const QString &text);

private:
    struct Snapshot
    {
        QString text;
        int cursor = 0;
        int selectionStart = -1;
        int selectionLength = 0;
    };
    struct Edit
    {
        int position;
        int length;
        QString text;
    };

    void remember();
    void userEdited(const QString &text);
    Edit editBetween(const Snapshot &before, const QString &after) const;

    ChangeFilter m_filter;
    Snapshot m_before;
    int m_tag = 0;
    bool m_reverting = false;
};
