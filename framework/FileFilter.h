#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// File-dialog filters written as "Name|*.a;*.b|Name|*.c||" turned into the
// "Name (*.a *.b);;Name (*.c)" form of Qt's file dialogs.
#include <QString>
#include <QStringList>

QStringList ConvertFileFilter(const QString& filter);
