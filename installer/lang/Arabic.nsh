; The setup program's own Arabic texts (the pages' texts come with NSIS's Modern UI).
LangString ZoName ${LANG_ARABIC} "زورفل أوفيس"
LangString ZoCopyFailed ${LANG_ARABIC} "تعذّر نسخ زورفل أوفيس إلى $INSTDIR.$\r$\nأغلق زورفل أوفيس إن كان يعمل، ثم شغّل برنامج الإعداد مرة أخرى."
LangString ZoRegistryFailed ${LANG_ARABIC} "تعذّر على برنامج الإعداد تسجيل زورفل أوفيس لحسابك."
LangString ZoProfileSection ${LANG_ARABIC} "احذف بيانات المتصفح"
LangString ZoUninstallTop ${LANG_ARABIC} "ستتم إزالة زورفل أوفيس من $INSTDIR. تبقى بيانات المتصفح (تسجيلات الدخول والإعدادات) ما لم تحددها أدناه."
