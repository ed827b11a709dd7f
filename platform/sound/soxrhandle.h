// Owns one libsoxr resampler.
#pragma once

#include <memory>
#include <type_traits>

#include <soxr.h>

namespace zem {

struct SoxrDelete {
    void operator()(soxr_t soxr) const { soxr_delete(soxr); }
};
using SoxrHandle = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDelete>;

}  // namespace zem
