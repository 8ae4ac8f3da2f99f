#pragma once

#include "model/runrecords.h"

#include <QList>
#include <QString>
#include <optional>

// The places block ("Luoghi", the local pack) a results page shows beside its
// organic results, and where a fragment stands in it.
namespace LocalPack {

// Whether the fragment can be part of a web address (a domain word, a path):
// no blank and nothing an address cannot hold. "idraulica rossi" cannot.
bool isAddressPart(const QString &fragment);

// The fragment's place in the pack, from 1: the first business whose website
// holds the fragment, or, when the fragment can be no part of an address,
// whose name holds it (whatever the case); nullopt when none does.
std::optional<int> placeOf(const QList<PackEntry> &pack, const QString &fragment);

// "nel pacchetto locale 2", as a run's line and a grid's point say it.
QString words(int place);

} // namespace LocalPack
