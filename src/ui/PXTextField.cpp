#include "PXTextField.h"

#include "PXColor.h"
#include "PXFont.h"

PXTextField::PXTextField(QWidget *parent)
    : QLineEdit(parent)
{
    setFont(PXFont::fontWithSize(16));
    setClearButtonEnabled(true);
    setStyleSheet(QStringLiteral("QLineEdit { background: %1; border: 1px solid #D6D9DB; "
                                 "border-radius: 5px; padding: 0 6px; color: black; }")
                      .arg(PXColor::separator().name()));
    // The snapshot must describe the text and cursor just before each user
    // edit: QLineEdit reports the edit (textEdited) before the cursor and
    // selection signals of that edit.
    connect(this, &QLineEdit::cursorPositionChanged, this, &PXTextField::remember);
    connect(this, &QLineEdit::selectionChanged, this, &PXTextField::remember);
    connect(this, &QLineEdit::textChanged, this, &PXTextField::remember);
    connect(this, &QLineEdit::textEdited, this, &PXTextField::userEdited);
}

void PXTextField::remember()
{
    if (m_reverting)
        return;
    m_before.text = text();
    m_before.cursor = cursorPosition();
    m_before.selectionStart = selectionStart();
    m_before.selectionLength = int(selectedText().size());
}

PXTextField::Edit PXTextField::editBetween(const Snapshot &before, const QString &after) const
{
    const qsizetype oldLength = before.text.size();
    const qsizetype growth = after.size() - oldLength;
    qsizetype position;
    qsizetype removed;
    if (before.selectionStart >= 0 && before.selectionLength > 0) {
        position = before.selectionStart;
        removed = before.selectionLength;
    } else if (growth >= 0) {
        position = before.cursor;
        removed = 0;
    } else {
        // Backspace and Delete both leave the cursor where the removal began.
        removed = -growth;
        position = cursorPosition();
    }
    const qsizetype inserted = growth + removed;
    const bool consistent = position >= 0 && inserted >= 0 && position + removed <= oldLength
        && position + inserted <= after.size()
        && before.text.left(position) + after.mid(position, inserted)
                + before.text.mid(position + removed)
            == after;
    if (consistent)
        return {int(position), int(removed), after.mid(position, inserted)};
    // Undo, drops and the like: describe the change by what differs.
    qsizetype prefix = 0;
    const qsizetype shorter = qMin(oldLength, after.size());
    while (prefix < shorter && before.text[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
           && before.text[oldLength - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return {int(prefix), int(oldLength - prefix - suffix),
            after.mid(prefix, after.size() - prefix - suffix)};
}

void PXTextField::userEdited(const QString &newText)
{
    const Snapshot before = m_before;
    const Edit edit = editBetween(before, newText);
    if (m_filter && !m_filter(this, edit.position, edit.length, edit.text)) {
        m_reverting = true;
        setText(before.text);
        if (before.selectionLength > 0)
            setSelection(before.selectionStart, before.selectionLength);
        else
            setCursorPosition(before.cursor);
        m_reverting = false;
        remember();
        return;
    }
    remember();
    Q_EMIT editingChanged(newText);
}
