// Counts, for PlateformeAppelsRefuses, each call the stand-in refuses for a
// closed or never-issued handle, or for a mutex its caller does not own.
#ifndef PLATEFORME_REFUS_H
#define PLATEFORME_REFUS_H

void CompterRefus();

#endif
