#include "sgvr/ResultTable.h"

#include "sgvr/LibraryIds.h"
#include "image/RegistryImage.h"
#include "sgvr/Sgvr.h"

namespace sgvr {

uint32_t ResultTable::Load(ByteView parameterRegistry) {
    ReadOptions options;
    options.requireId = true;
    options.requiredId = 0;
    RegistryImage image;
    const uint32_t status = ReadRegistryImage(parameterRegistry, options, image);
    if (status != kImageOk) return status;
    const Node* table = nullptr;
    for (const Node* top = image.top->FirstChild(); top != nullptr && table == nullptr; top = top->NextSibling())
        table = SameId(top->Id(), kResultTableNode) ? top : top->FindChild(kResultTableNode);
    if (table == nullptr) return SGVR_E_NO_MATCH;
    for (const Node* row = table->FirstChild(); row != nullptr; row = row->NextSibling()) {
        uint32_t value = 0;
        const int small = IdIndex(row->Id());
        if ((NormalizeId(row->Id()) & 0xFFFF0000u) != kResultTableKind || small >= kSize || !row->GetValue().AsU32(value))
            continue;
        status_[small] = value;
        present_[small] = true;
    }
    return SGVR_OK;
}

uint32_t ResultTable::StatusOf(int smallResult) const {
    if (smallResult < 0 || smallResult >= kSize || !present_[smallResult]) return SGVR_E_SIGNATURE_MISMATCH;
    return status_[smallResult];
}

}  // namespace sgvr
