; The setup program's own English texts (the pages' texts come with NSIS's Modern UI).
LangString ZoName ${LANG_ENGLISH} "Zorvel Office"
LangString ZoCopyFailed ${LANG_ENGLISH} "Zorvel Office could not be copied to $INSTDIR.$\r$\nClose Zorvel Office if it is running, then run the setup again."
LangString ZoRegistryFailed ${LANG_ENGLISH} "The setup could not register Zorvel Office for your account."
LangString ZoProfileSection ${LANG_ENGLISH} "Delete my browser data"
LangString ZoUninstallTop ${LANG_ENGLISH} "Zorvel Office will be removed from $INSTDIR. Your browser data (sign-ins and settings) is kept unless you tick it below."
