#pragma once

#include "FakeEngine.h"
#include "FakeServices.h"
#include "InMemorySecretItemStore.h"

#include "model/VozelModel.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace vozel::test {

using namespace Qt::StringLiterals;

inline SIPAccount sampleAccount(const QString &extension)
{
    return {extension, extension, u"pw"_s + extension, u"pbx.example.com"_s, 5060, u"udp"_s,
            u"Ramal "_s + extension, 600};
}

// A model over fakes, with handles on them; stored data can be seeded before create().
struct ModelHarness {
    QTemporaryDir folder;
    ModelDependencies parts{std::make_unique<FakeEngine>(),
                            std::make_unique<FakeSystemCallManager>(),
                            std::make_unique<InMemorySecretItemStore>(),
                            std::make_unique<DefaultsStore>(folder.filePath(u"defaults.conf"_s)),
                            std::make_unique<FakeProvisioning>(),
                            std::make_unique<FakeOriginLookup>(),
                            std::make_unique<FakeLoginItem>()};
    FakeEngine *engine = static_cast<FakeEngine *>(parts.engine.get());
    FakeSystemCallManager *systemCalls = static_cast<FakeSystemCallManager *>(parts.systemCalls.get());
    InMemorySecretItemStore *secrets = static_cast<InMemorySecretItemStore *>(parts.secrets.get());
    DefaultsStore *defaults = parts.defaults.get();
    FakeProvisioning *provisioning = static_cast<FakeProvisioning *>(parts.provisioning.get());
    FakeOriginLookup *originLookup = static_cast<FakeOriginLookup *>(parts.originLookup.get());
    FakeLoginItem *loginItem = static_cast<FakeLoginItem *>(parts.loginItem.get());
    std::unique_ptr<VozelModel> model;

    void storeAccounts(const SIPAccountCollection &collection)
    {
        secrets->items.insert({KeychainStore::service, KeychainStore::collectionItem}, collection.toJsonData());
    }

    SIPAccountCollection storedAccounts() const
    {
        return SIPAccountCollection::fromJsonData(
            secrets->items.value({KeychainStore::service, KeychainStore::collectionItem}));
    }

    // Two stored accounts, 2001 (active) and 2002.
    SIPAccountCollection storeTwoAccounts()
    {
        SIPAccountCollection collection;
        collection.save(sampleAccount(u"2002"_s));
        collection.save(sampleAccount(u"2001"_s));
        storeAccounts(collection);
        return collection;
    }

    VozelModel &create()
    {
        model = std::make_unique<VozelModel>(std::move(parts));
        return *model;
    }

    VozelModel &start()
    {
        create();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return *model;
    }
};

} // namespace vozel::test
