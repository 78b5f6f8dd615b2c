#include "app/converterresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initImagesResource()
{
    Q_INIT_RESOURCE(images);
}

void initConverterResources()
{
    initImagesResource();
}
