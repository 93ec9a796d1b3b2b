#pragma once

#include "FakeEngine.h"
#include "FakeServices.h"
#include "FakeSystemCallManager.h"

#include "model/VozelModel.h"
#include "services/storage/LibsecretItemStore.h"

#include <QTemporaryDir>

namespace vozel::test {

// The application model over the session's real keyring, with fakes for everything else.
struct ModelOverKeyring {
    QTemporaryDir folder;
    FakeEngine *engine = nullptr;
    std::unique_ptr<VozelModel> model;

    explicit ModelOverKeyring(std::chrono::milliseconds bound = LibsecretItemStore::defaultBound)
    {
        auto fakeEngine = std::make_unique<FakeEngine>();
        engine = fakeEngine.get();
        model = std::make_unique<VozelModel>(ModelDependencies{
            std::move(fakeEngine), std::make_unique<FakeSystemCallManager>(),
            std::make_unique<LibsecretItemStore>(bound),
            std::make_unique<DefaultsStore>(folder.filePath(QStringLiteral("defaults.conf"))),
            std::make_unique<FakeProvisioning>(), std::make_unique<FakeOriginLookup>(),
            std::make_unique<FakeLoginItem>()});
    }
};

} // namespace vozel::test
