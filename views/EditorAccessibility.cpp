// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/EditorAccessibility.h"

#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "views/PatternRows.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <map>

namespace
{
// One editor's rows as a table: the texts it draws, column by column, and where.
class ITableSource
{
public:
    virtual ~ITableSource() = default;
    virtual int Rows() const = 0;
    virtual int Columns() const = 0;
    virtual QString Header(int column) const = 0;
    virtual QString Text(int row, int column) const = 0;
    // What a screen reader says of the cell; the text shown unless that needs words.
    virtual QString Name(int row, int column) const { return Text(row, column); }
    // In the viewport's pixels.
    virtual QRect Rect(int row, int column) const = 0;
};

QString Slice(const std::string& text, std::size_t from, std::size_t count)
{
    return QString::fromUtf8(text.substr(std::min(from, text.size()), count)).trimmed();
}

// The pattern editor: the row number, the note (or noise) field, the attenuation and the
// instrument.
class CPatternSource : public ITableSource
{
public:
    explicit CPatternSource(CSoundPatternView* pView) : m_pView(pView) {}

    int Rows() const override
    {
        const CSoundPattern* pPattern = Pattern();
        return pPattern != nullptr ? pPattern->GetRows() : 0;
    }
    int Columns() const override { return 4; }
    QString Header(int column) const override
    {
        static const char* const kHeaders[] = {"Row", "Note", "Attenuation", "Instrument"};
        return QString::fromLatin1(kHeaders[column]);
    }
    QString Text(int row, int column) const override
    {
        const CSoundPattern* pPattern = Pattern();
        if (pPattern == nullptr)
            return {};
        const bool bNoise = m_pView->GetDocument()->FindPatternChannel(pPattern) == kNoiseChannel;
        const std::string text = PatternRows::RowText(row, pPattern->GetCell(row), bNoise);
        static constexpr std::size_t kFrom[] = {0, 8, 13, 17};
        static constexpr std::size_t kCount[] = {6, 3, 2, 2};
        return Slice(text, kFrom[column], kCount[column]);
    }
    QString Name(int row, int column) const override
    {
        const CSoundPattern* pPattern = Pattern();
        if (column != kInstrumentColumn || pPattern == nullptr)
            return Text(row, column);
        const int number = pPattern->GetCell(row).instrument;
        return number == kNoInstrument ? QStringLiteral("no instrument")
                                       : QStringLiteral("instrument %1").arg(number);
    }
    QRect Rect(int row, int column) const override
    {
        static constexpr int kX[] = {0, 64, 104, 136};
        static constexpr int kWidth[] = {48, 24, 16, 16};
        const int y = CSoundBase::kHeaderHeight +
                      CSoundBase::kRowHeight * (row - m_pView->verticalScrollBar()->value());
        return QRect(kX[column], y, kWidth[column], CSoundBase::kRowHeight);
    }

private:
    static constexpr int kInstrumentColumn = 3;
    const CSoundPattern* Pattern() const { return m_pView->GetSession().GetCurrentPattern(); }

    CSoundPatternView* m_pView;
};

// The sequence editor: the song position of each step and the four channels' cells.
class CSequenceSource : public ITableSource
{
public:
    explicit CSequenceSource(CSoundSequenceView* pView) : m_pView(pView) {}

    int Rows() const override
    {
        const int step = std::max(m_pView->GetDocument()->GetStepSize(), 1);
        const int shown = m_pView->verticalScrollBar()->value() + m_pView->GetPage();
        return std::max({m_pView->GetLastPosition() / step + 1, shown,
                         m_pView->GetSession().GetSequenceCursor().step + 1});
    }
    int Columns() const override { return kChannelCount + 1; }
    QString Header(int column) const override
    {
        return column == 0 ? QStringLiteral("Row")
                           : QString::fromLatin1(g_channelNames[column - 1]);
    }
    QString Text(int row, int column) const override
    {
        const CSoundDoc& doc = *m_pView->GetDocument();
        if (column == 0)
            return QString::number(doc.StepToSongPos(row));
        return QString::fromStdString(
                   CSoundSequenceView::CellText(doc.GetPatternAt(SequencePos{column - 1, row})))
            .trimmed();
    }
    QRect Rect(int row, int column) const override
    {
        if (column > 0)
            return m_pView->GetCellRect(column - 1, row);
        const QRect cell = m_pView->GetCellRect(0, row);
        return QRect(0, cell.top(), 48, cell.height());
    }

private:
    CSoundSequenceView* m_pView;
};

class CEditorTable;

class CEditorCell : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    CEditorCell(CEditorTable* pTable, int row, int column)
        : m_pTable(pTable), m_nRow(row), m_nColumn(column)
    {
    }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !isValid() || rect().isEmpty();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_nColumn; }
    int rowIndex() const override { return m_nRow; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    CEditorTable* m_pTable;
    int m_nRow;
    int m_nColumn;
};

class CEditorTable : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    CEditorTable(QWidget* pView, std::unique_ptr<ITableSource> pSource, const QString& name)
        : QAccessibleWidget(pView, QAccessible::Table, name), m_pSource(std::move(pSource))
    {
    }
    ~CEditorTable() override
    {
        for (const auto& [place, id] : m_cells)
            QAccessible::deleteAccessibleInterface(id);
    }

    const ITableSource& Source() const { return *m_pSource; }
    QWidget* View() const { return widget(); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return m_pSource->Rows() * m_pSource->Columns(); }
    QAccessibleInterface* child(int index) const override
    {
        const int columns = m_pSource->Columns();
        return index >= 0 && index < childCount() ? cellAt(index / columns, index % columns)
                                                  : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* pChild) const override
    {
        const auto* pCell = pChild != nullptr ? dynamic_cast<const CEditorCell*>(pChild) : nullptr;
        return pCell != nullptr ? pCell->rowIndex() * m_pSource->Columns() + pCell->columnIndex()
                                : -1;
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (row < 0 || row >= m_pSource->Rows() || column < 0 || column >= m_pSource->Columns())
            return nullptr;
        auto& id = m_cells[{row, column}];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(
                new CEditorCell(const_cast<CEditorTable*>(this), row, column));
        return QAccessible::accessibleInterface(id);
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override { return m_pSource->Header(column); }
    QString rowDescription(int row) const override { return m_pSource->Text(row, 0); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return m_pSource->Columns(); }
    int rowCount() const override { return m_pSource->Rows(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    std::unique_ptr<ITableSource> m_pSource;
    mutable std::map<std::pair<int, int>, QAccessible::Id> m_cells;
};

bool CEditorCell::isValid() const
{
    return m_pTable->isValid() && m_nRow < m_pTable->Source().Rows();
}

QAccessibleInterface* CEditorCell::parent() const
{
    return m_pTable;
}

QString CEditorCell::text(QAccessible::Text t) const
{
    if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
        return {};
    return t == QAccessible::Name ? m_pTable->Source().Name(m_nRow, m_nColumn)
                                  : m_pTable->Source().Text(m_nRow, m_nColumn);
}

QRect CEditorCell::rect() const
{
    if (!isValid())
        return {};
    auto* pView = static_cast<QAbstractScrollArea*>(m_pTable->View());
    QRect local = m_pTable->Source().Rect(m_nRow, m_nColumn);
    local = local.intersected(pView->viewport()->rect());
    if (local.isEmpty())
        return {};
    return QRect(pView->viewport()->mapToGlobal(local.topLeft()), local.size());
}
} // namespace

QAccessibleInterface* EditorAccessibleFactory(const QString& className, QObject* pObject)
{
    if (className == QLatin1String("CSoundPatternView"))
        return new CEditorTable(
            static_cast<QWidget*>(pObject),
            std::make_unique<CPatternSource>(static_cast<CSoundPatternView*>(pObject)),
            QStringLiteral("Pattern editor"));
    if (className == QLatin1String("CSoundSequenceView"))
        return new CEditorTable(
            static_cast<QWidget*>(pObject),
            std::make_unique<CSequenceSource>(static_cast<CSoundSequenceView*>(pObject)),
            QStringLiteral("Sequence editor"));
    if (className == QLatin1String("CPianoRollView"))
        return PianoRollAccessible(pObject);
    return nullptr;
}

void InstallEditorAccessibility()
{
    static const bool bInstalled = []
    {
        QAccessible::installFactory(&EditorAccessibleFactory);
        return true;
    }();
    (void)bInstalled;
}
