#include "PXTableView.h"

#include "PXColor.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>

PXTableView::PXTableView(QWidget *parent)
    : QScrollArea(parent)
    , m_content(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    // The rows take the keyboard; a focus stop on the table itself would
    // have neither a name nor anything to do.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidget(m_content);
    setWidgetResizable(false);
    m_content->installEventFilter(this);
    setBackgroundColor(Qt::white);
}

void PXTableView::setBackgroundColor(const QColor &color)
{
    for (QWidget *w : {static_cast<QWidget *>(this), viewport(), m_content}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, color);
        w->setPalette(pal);
        w->setAutoFillBackground(color.alpha() > 0);
    }
}

void PXTableView::setRowHeight(int height)
{
    m_rowHeight = qMax(0, height);
    layoutCells();
}

void PXTableView::setSectionHeaderHeight(int height)
{
    m_headerHeight = qMax(0, height);
    layoutCells();
}

void PXTableView::setShowsSeparators(bool shows)
{
    m_separators = shows;
    layoutCells();
}

void PXTableView::setScrollEnabled(bool enabled)
{
    setVerticalScrollBarPolicy(enabled ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setEnabled(enabled);
}

void PXTableView::reloadData()
{
    qDeleteAll(m_cells);
    m_cells.clear();
    const int rows = m_dataSource ? qMax(0, m_dataSource->numberOfRows()) : 0;
    for (int row = 0; row < rows; ++row) {
        QWidget *cell = m_dataSource->cellForRow(row);
        if (!cell)
            cell = new QWidget;
        cell->setParent(m_content);
        cell->show();
        m_cells.append(cell);
    }
    layoutCells();
}

QWidget *PXTableView::cellForRow(int row) const
{
    return row >= 0 && row < m_cells.size() ? m_cells[row] : nullptr;
}

void PXTableView::layoutCells()
{
    const int w = viewport()->width();
    // With separators each row but the last gives its bottom line to one.
    for (int row = 0; row < m_cells.size(); ++row) {
        const bool last = row + 1 == m_cells.size();
        const int h = m_separators && !last ? m_rowHeight - 1 : m_rowHeight;
        m_cells[row]->setGeometry(0, m_headerHeight + row * m_rowHeight, w, qMax(0, h));
    }
    m_content->resize(w, m_headerHeight + int(m_cells.size()) * m_rowHeight);
    m_content->update();
}

void PXTableView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    layoutCells();
}

bool PXTableView::eventFilter(QObject *watched, QEvent *event)
{
    // Separators go on the content, under the cells: between rows only.
    if (watched == m_content && event->type() == QEvent::Paint && m_separators) {
        QPainter p(m_content);
        p.setPen(QPen(PXColor::separator(), 1));
        for (int row = 1; row < m_cells.size(); ++row) {
            const int y = m_headerHeight + row * m_rowHeight - 1;
            p.drawLine(15, y, m_content->width(), y);
        }
    }
    return QScrollArea::eventFilter(watched, event);
}
