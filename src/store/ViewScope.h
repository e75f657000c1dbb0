#pragma once

namespace vrq {

// Which workstations' rows a viewer read returns: this workstation's, or those of every workstation
// sharing the store. A store in a file is one workstation, so both read the same rows there.
enum class ViewScope { ThisWorkstation, AllWorkstations };

} // namespace vrq
