#include "OpenSslGost.h"

namespace oracle {

ENGINE* GostEngine() {
    static ENGINE* engine = [] {
        ENGINE_load_builtin_engines();
        ENGINE* e = ENGINE_by_id("gost");
        if (e && !ENGINE_init(e)) e = nullptr;
        if (e) ENGINE_set_default(e, ENGINE_METHOD_ALL);
        return e;
    }();
    return engine;
}

}  // namespace oracle
