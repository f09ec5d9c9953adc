// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/DocTemplate.h"

#include <QStringList>

CDocTemplate::CDocTemplate(std::function<CDocument*()> createDocument, std::function<CView*(CDocument*)> createView)
    : createDocument(std::move(createDocument)), createView(std::move(createView))
{
}

void CDocTemplate::SetDescriptor(const QString& descriptor)
{
    const QStringList fields = descriptor.split(QLatin1Char('\n'));
    const auto field = [&fields](int index) { return index < fields.size() ? fields[index] : QString(); };
    m_strDocName = field(1);
    m_strFilterName = field(3);
    m_strFilterExt = field(4);
}

QString CDocTemplate::SaveFilter() const
{
    if (m_strFilterName.isEmpty() || m_strFilterExt.isEmpty())
        return QString();
    return m_strFilterName + QLatin1String("|*") + m_strFilterExt + QLatin1String("||");
}
