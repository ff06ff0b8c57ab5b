// A module that carries only resources (see NoTranslation.rc).
