#include "settings/DefaultAccessList.h"

// Entries 1 and 2 share one number, so do 9 and 10, and 4, 7, 11 and 12.
const DefaultAccessEntry kDefaultAccessList[kDefaultAccessEntries] = {
    {"Ciudad de Buenos Aires [4321-7600]", "43217600"},
    {"Gran Buenos Aires [4321-7600]", "43217600"},
    {"La Plata [421-5500]", "4215500"},
    {"Campana [42-3300]", "423300"},
    {"Escobar [48-2200]", "482200"},
    {"José C. Paz [45-6100]", "456100"},
    {"Lujan [42-3300]", "423300"},
    {"Mar del Plata [495-0700]", "4950700"},
    {"Merlo [485-9000]", "4859000"},
    {"Moreno [485-9000]", "4859000"},
    {"Pilar [42-3300]", "423300"},
    {"Zárate [42-3300]", "423300"},
    {"Rosario [527-3000]", "5273000"},
    {"Mendoza [429-8800]", "4298800"},
    {"Córdoba [426-5100]", "4265100"},
};
