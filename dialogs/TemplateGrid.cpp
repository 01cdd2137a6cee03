// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/TemplateGrid.h"

#include <QGridLayout>
#include <QGroupBox>

#include <algorithm>
#include <map>

namespace
{
// Template positions this close (in dialog units) count as one row or column: labels sit a
// little lower than the field beside them.
constexpr int kRowTolerance = 5;
constexpr int kColumnTolerance = 4;
// Heights of controls whose template gives none, or another one than they show.
constexpr int kTextHeight = 8;
constexpr int kDropDownHeight = 12;

struct Extent
{
    int x, y, cx, cy;
    int CenterY() const { return y + cy / 2; }
    bool Contains(const Extent& other) const
    {
        return other.x >= x && other.y >= y && other.x < x + cx && other.y < y + cy;
    }
};

Extent ExtentOf(std::span<const DialogItem> items, std::size_t i)
{
    const DialogItem& item = items[i];
    Extent extent{item.x, item.y, item.cx, item.cy};
    if (item.kind == DialogItemKind::Static && item.cy == 0)
        extent.cy = kTextHeight;
    if (item.kind == DialogItemKind::DropDownList)
        extent.cy = kDropDownHeight;
    // An edit and its arrows are one spin box.
    if (item.kind == DialogItemKind::Edit && i + 1 < items.size() &&
        items[i + 1].kind == DialogItemKind::UpDown)
        extent.cx = items[i + 1].x + items[i + 1].cx - item.x;
    return extent;
}

// Representative positions of clusters of values, each the smallest value of its cluster.
std::vector<int> Clusters(std::vector<int> values, int nTolerance)
{
    std::sort(values.begin(), values.end());
    std::vector<int> starts;
    for (const int value : values)
        if (starts.empty() || value - starts.back() > nTolerance)
            starts.push_back(value);
    return starts;
}

int ClusterIndex(const std::vector<int>& starts, int value)
{
    const auto it = std::upper_bound(starts.begin(), starts.end(), value);
    return std::max(0, static_cast<int>(it - starts.begin()) - 1);
}

struct Cell
{
    int row, column, rowSpan, columnSpan;
};

// Where each member goes in its container's grid.
std::vector<Cell> PlaceMembers(const std::vector<Extent>& extents)
{
    std::vector<int> xs;
    std::vector<int> centers;
    for (const Extent& extent : extents)
    {
        xs.push_back(extent.x);
        centers.push_back(extent.CenterY());
    }
    const std::vector<int> columns = Clusters(xs, kColumnTolerance);
    const std::vector<int> rows = Clusters(centers, kRowTolerance);
    std::vector<Cell> cells;
    for (const Extent& extent : extents)
    {
        Cell cell{ClusterIndex(rows, extent.CenterY()), ClusterIndex(columns, extent.x), 1, 1};
        // Tall controls reach over every row whose controls they stand beside.
        for (std::size_t r = 0; r < rows.size(); ++r)
            if (rows[r] >= extent.y && rows[r] <= extent.y + extent.cy)
            {
                cell.rowSpan = std::max(cell.rowSpan, static_cast<int>(r) - cell.row + 1);
                if (static_cast<int>(r) < cell.row)
                {
                    cell.rowSpan += cell.row - static_cast<int>(r);
                    cell.row = static_cast<int>(r);
                }
            }
        // Wide ones over the columns that start inside them, not those they merely touch.
        for (std::size_t c = cell.column + 1; c < columns.size(); ++c)
            if (columns[c] < extent.x + extent.cx - kColumnTolerance)
                cell.columnSpan = static_cast<int>(c) - cell.column + 1;
        cells.push_back(cell);
    }
    return cells;
}
} // namespace

void CTemplateGrid::Apply(QWidget* pDialog, std::span<const DialogItem> items,
                          const std::vector<QWidget*>& widgets, int nBaseX, int nBaseY)
{
    std::vector<Extent> extents;
    for (std::size_t i = 0; i < items.size(); ++i)
        extents.push_back(ExtentOf(items, i));

    // Each control belongs to the group box around it, or else to the dialog (-1).
    std::map<int, std::vector<std::size_t>> members;
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        if (widgets[i] == nullptr)
            continue;
        int nContainer = -1;
        for (std::size_t g = 0; g < items.size(); ++g)
            if (g != i && items[g].kind == DialogItemKind::GroupBox &&
                extents[g].Contains(extents[i]))
                nContainer = static_cast<int>(g);
        members[nContainer].push_back(i);
    }

    for (const auto& [nContainer, indexes] : members)
    {
        QWidget* pContainer = nContainer < 0 ? pDialog : widgets[nContainer];
        auto* pGrid = new QGridLayout(pContainer);
        std::vector<Extent> memberExtents;
        for (const std::size_t i : indexes)
            memberExtents.push_back(extents[i]);
        const std::vector<Cell> cells = PlaceMembers(memberExtents);
        for (std::size_t m = 0; m < indexes.size(); ++m)
        {
            const std::size_t i = indexes[m];
            const DialogItem& item = items[i];
            QWidget* pWidget = widgets[i];
            const bool bField = item.kind == DialogItemKind::Edit ||
                                item.kind == DialogItemKind::DropDownList ||
                                item.kind == DialogItemKind::ListView;
            if (bField)
                pWidget->setMinimumWidth(extents[i].cx * nBaseX / 4);
            if (item.kind == DialogItemKind::ListView)
                pWidget->setMinimumHeight(extents[i].cy * nBaseY / 8);
            const bool bButton = item.kind == DialogItemKind::PushButton ||
                                 item.kind == DialogItemKind::DefPushButton;
            const Cell& cell = cells[m];
            pGrid->addWidget(pWidget, cell.row, cell.column, cell.rowSpan, cell.columnSpan,
                             bButton ? Qt::AlignTop : Qt::Alignment());
        }
    }
    // Fixed before the window exists, so the window system is told once.
    pDialog->layout()->activate();
    pDialog->setFixedSize(pDialog->sizeHint());
}
