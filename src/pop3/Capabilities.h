#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Whether a CAPA reply ("+OK", one capability a line, ".") names this capability
// (its first word, case-insensitive). An empty reply names none.
bool hasCapability(const QByteArray& reply, QByteArrayView name);

// Whether a CAPA reply's SASL line offers this mechanism (case-insensitive).
bool offersSasl(const QByteArray& reply, QByteArrayView mechanism);
