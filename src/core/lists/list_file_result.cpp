#include "core/lists/list_file_result.h"

namespace mivo::lists {

std::string_view writeFailure(WriteFailure failure, std::string_view notOpened, std::string_view notWritten) {
    return failure == WriteFailure::Open ? notOpened : notWritten;
}

} // namespace mivo::lists
