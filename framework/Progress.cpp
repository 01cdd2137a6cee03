// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Progress.h"

#include <utility>

CProgress::CProgress(Report report, const std::atomic<bool>* pCancel)
    : m_report(std::move(report)), m_pCancel(pCancel)
{
}

void CProgress::Step(std::size_t done, std::size_t total) const
{
    if (total > 0)
        Tell(static_cast<double>(done < total ? done : total) / static_cast<double>(total));
}

void CProgress::Tell(double fraction) const
{
    if (m_report)
        m_report(m_from + (m_to - m_from) * fraction);
}

CProgress CProgress::Part(double from, double to) const
{
    CProgress part = *this;
    part.m_from = m_from + (m_to - m_from) * from;
    part.m_to = m_from + (m_to - m_from) * to;
    return part;
}
