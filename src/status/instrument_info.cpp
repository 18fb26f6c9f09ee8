#include "status/instrument_info.h"

namespace ql {

void InstrumentInfo::clearFields() {
  for (std::string* field : {&serialNumber, &model, &hardwareVersion, &firmwareVersion, &flashSize, &flashUsed,
                             &flashFree, &batteryVoltage, &clock})
    field->clear();
  notify();
}

}  // namespace ql
