#pragma once

#include <QList>
#include <QScrollArea>

// Supplies the rows of a PXTableView. Cells handed over become the table's.
class PXTableViewDataSource
{
public:
    virtual ~PXTableViewDataSource() = default;
    virtual int numberOfRows() const = 0;
    virtual QWidget *cellForRow(int row) = 0;
};

// A one-section table of fixed-height rows, optionally under an empty section
// header, with optional separators. reloadData() asks the data source for all
// rows afresh.
class PXTableView : public QScrollArea
{
    Q_OBJECT
public:
    explicit PXTableView(QWidget *parent = nullptr);

    void setDataSource(PXTableViewDataSource *dataSource) { m_dataSource = dataSource; }
    void setRowHeight(int height);
    int rowHeight() const { return m_rowHeight; }
    void setSectionHeaderHeight(int height);
    void setShowsSeparators(bool shows);
    void setScrollEnabled(bool enabled);
    void setBackgroundColor(const QColor &color);

    void reloadData();
    int numberOfRows() const { return int(m_cells.size()); }
    // Null outside 0..numberOfRows()-1.
    QWidget *cellForRow(int row) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutCells();

    PXTableViewDataSource *m_dataSource = nullptr; // not owned
    QWidget *m_content;
    QList<QWidget *> m_cells;
    int m_rowHeight = 44;
    int m_headerHeight = 0;
    bool m_separators = true;
};
