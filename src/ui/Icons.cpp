#include "ui/Icons.h"

#include <QCoreApplication>
#include <QHash>

namespace lux {

namespace {

QHash<QString, QIcon>* store = nullptr;

// The icons go with the application object, before the libraries they come from are unloaded.
void dropIcons() {
  delete store;
  store = nullptr;
}

}  // namespace

QIcon resourceIcon(const QString& path) {
  if (!store) {
    store = new QHash<QString, QIcon>;
    qAddPostRoutine(dropIcons);
  }
  auto it = store->constFind(path);
  if (it == store->constEnd()) it = store->insert(path, QIcon(path));
  return *it;
}

}  // namespace lux
