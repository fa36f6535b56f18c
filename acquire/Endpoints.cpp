#include "acquire/Endpoints.h"

#include "acquire/CompiledEndpoints.h"

namespace vexmora {

const Endpoints& CompiledEndpoints() {
    static const Endpoints endpoints{
        compiled::kFy4aImageServer, compiled::kFy4aQueryServer, compiled::kFy4aTileServer,
        compiled::kHimawariServer,  compiled::kFy4aSite,        compiled::kHimawariSite,
        compiled::kUpdatePage,
    };
    return endpoints;
}

} // namespace vexmora
