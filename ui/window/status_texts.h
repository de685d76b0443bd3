// The status word's texts while the exact peaks are computed.
#pragma once

#include <QLocale>
#include <QString>

namespace tessivo {

// "Calculating Peaks - " with the percentage: one decimal, the user's
// decimal separator.
QString PeaksStatusText(double percent, const QLocale& locale = QLocale());
// "Waiting for the exact peaks (n%)…": a Prepare that needs them waits.
QString PeaksWaitingText(double percent);

} // namespace tessivo
