#pragma once

#include <QString>

namespace retrieval {

// The message a failed picture load shows for its failure number.
QString loadFailureMessage(qint32 number);

} // namespace retrieval
