#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"

#include <iterator>

namespace {

// Paths and SHA-1 digests of the release's resource files. The digests here
// are those of stand-in contents, "stand-in for " + path + "\n": a release
// build replaces the rows with the digests of its own files.
constexpr DownloadableResource kDownloadableResources[] = {
    {"bG9jYWxpemF0aW9uL2FtLnBhaw==", "6RSQ7kFwm/kI74bEum6HFOKxXOE="},  // localization/am.pak
    {"bG9jYWxpemF0aW9uL2FtLnBhay5pbmZv", "AeW0L5XPdVMp1b97EcQVwDW/zu8="},  // localization/am.pak.info
    {"bG9jYWxpemF0aW9uL2FyLnBhaw==", "z219kXdQfryJZqHlmjFqQKP++Ag="},  // localization/ar.pak
    {"bG9jYWxpemF0aW9uL2FyLnBhay5pbmZv", "uBECLBZK69ZvCh4mzw2p60lIK2Q="},  // localization/ar.pak.info
    {"bG9jYWxpemF0aW9uL2JnLnBhaw==", "pKVWKJ2G7okU+LFJnVMdSmkihzU="},  // localization/bg.pak
    {"bG9jYWxpemF0aW9uL2JnLnBhay5pbmZv", "2YVqgweGwb+MAD30P434NNq2CPg="},  // localization/bg.pak.info
    {"bG9jYWxpemF0aW9uL2JuLnBhaw==", "EhFVOYPtILMc/z/o8HBeWXb1Jxs="},  // localization/bn.pak
    {"bG9jYWxpemF0aW9uL2JuLnBhay5pbmZv", "NAuhRHa4sI+DX+bduZ/5HbxWJxU="},  // localization/bn.pak.info
    {"bG9jYWxpemF0aW9uL2NhLnBhaw==", "oSvFXS6nG1/Ikyemz7qG3UXaB+U="},  // localization/ca.pak
    {"bG9jYWxpemF0aW9uL2NhLnBhay5pbmZv", "HQmO94iZPvhdGalupihgGrYhCPM="},  // localization/ca.pak.info
    {"bG9jYWxpemF0aW9uL2NzLnBhaw==", "NefPPRTZHfNj7Z/CLlf6qDRv2WE="},  // localization/cs.pak
    {"bG9jYWxpemF0aW9uL2NzLnBhay5pbmZv", "LVITL061h2JPEKKeRI5tmHDhri4="},  // localization/cs.pak.info
    {"bG9jYWxpemF0aW9uL2RhLnBhaw==", "29oZSqA4cl1mAX9q2bC2acrS+oU="},  // localization/da.pak
    {"bG9jYWxpemF0aW9uL2RhLnBhay5pbmZv", "R01AUDzCes1sBgBCbn97AjbKvig="},  // localization/da.pak.info
    {"bG9jYWxpemF0aW9uL2RlLnBhaw==", "7cOMsJVrzi9yJeN/TNDRoxBKywA="},  // localization/de.pak
    {"bG9jYWxpemF0aW9uL2RlLnBhay5pbmZv", "wZUPOpOx6YxWrfA858xROmSDYKw="},  // localization/de.pak.info
    {"bG9jYWxpemF0aW9uL2VsLnBhaw==", "+xpfdb6B/JEu5qUTkITkBcZxPbo="},  // localization/el.pak
    {"bG9jYWxpemF0aW9uL2VsLnBhay5pbmZv", "ix+3WYx4sXVs+Fv04qOrN9/3qGQ="},  // localization/el.pak.info
    {"bG9jYWxpemF0aW9uL2VuLUdCLnBhaw==", "5ytjuycYEc5RU1YhLoRGpJ1aFd4="},  // localization/en-GB.pak
    {"bG9jYWxpemF0aW9uL2VuLUdCLnBhay5pbmZv", "BzeDyYspvhPqew3ZJFP8hgEOhoA="},  // localization/en-GB.pak.info
    {"bG9jYWxpemF0aW9uL2VuLVVTLnBhaw==", "zCY14vDGQsUysvrlcrFYktDdxyU="},  // localization/en-US.pak
    {"bG9jYWxpemF0aW9uL2VuLVVTLnBhay5pbmZv", "6ybs1Ms6ClEd9POZiaf5n3b5S38="},  // localization/en-US.pak.info
    {"bG9jYWxpemF0aW9uL2VzLnBhaw==", "w07HRK4CJPRS8fopgJhnm8p6a7E="},  // localization/es.pak
    {"bG9jYWxpemF0aW9uL2VzLnBhay5pbmZv", "lgECHj17ebjFsBgWCHKI/RW69g8="},  // localization/es.pak.info
    {"bG9jYWxpemF0aW9uL2VzLTQxOS5wYWs=", "ZNKP3Y+FELHnnm6jeIya2MrtGaI="},  // localization/es-419.pak
    {"bG9jYWxpemF0aW9uL2VzLTQxOS5wYWsuaW5mbw==", "IZF0E5XEYr/nDoeOw9VXaUgbrN0="},  // localization/es-419.pak.info
    {"bG9jYWxpemF0aW9uL2V0LnBhaw==", "58i9Q8ELcKqFplCD27lV0MbFnBE="},  // localization/et.pak
    {"bG9jYWxpemF0aW9uL2V0LnBhay5pbmZv", "jbE5mu0AWYhqxhyyKMG/ImXGa5g="},  // localization/et.pak.info
    {"bG9jYWxpemF0aW9uL2ZhLnBhaw==", "CDk4lPcP1IV/F62V1/tb2V06uiM="},  // localization/fa.pak
    {"bG9jYWxpemF0aW9uL2ZhLnBhay5pbmZv", "44m51dza5YDKXthsGQH9NX0i+ks="},  // localization/fa.pak.info
    {"bG9jYWxpemF0aW9uL2ZpLnBhaw==", "0pzJwQfrNi5e3gf0EaQi/Bd90Yc="},  // localization/fi.pak
    {"bG9jYWxpemF0aW9uL2ZpLnBhay5pbmZv", "hL7sfQ/i0EUduSMwgPSqlKdBHeI="},  // localization/fi.pak.info
    {"bG9jYWxpemF0aW9uL2ZpbC5wYWs=", "3DIsPI402jaYDkWHO9AxmipQ3Pg="},  // localization/fil.pak
    {"bG9jYWxpemF0aW9uL2ZpbC5wYWsuaW5mbw==", "gs57Ehbq5P40kHWd61Cf4oqzJQA="},  // localization/fil.pak.info
    {"bG9jYWxpemF0aW9uL2ZyLnBhaw==", "Gcjx+INJtL9DI3ICs8cTJBhLGfg="},  // localization/fr.pak
    {"bG9jYWxpemF0aW9uL2ZyLnBhay5pbmZv", "NFTaVY+ToPpNL2WKoafdoR8k+aA="},  // localization/fr.pak.info
    {"bG9jYWxpemF0aW9uL2d1LnBhaw==", "hdEF+BIccEDM378C5uzkPl9ALWo="},  // localization/gu.pak
    {"bG9jYWxpemF0aW9uL2d1LnBhay5pbmZv", "3s7B9uw65oBeBEmFIv9FxXqf4no="},  // localization/gu.pak.info
    {"bG9jYWxpemF0aW9uL2hlLnBhaw==", "MVltwjGJx0AAkBQ+st9sZ+H2nhk="},  // localization/he.pak
    {"bG9jYWxpemF0aW9uL2hlLnBhay5pbmZv", "Ez9aSBldv/oVwLl2xzzwzmVEM+k="},  // localization/he.pak.info
    {"bG9jYWxpemF0aW9uL2hpLnBhaw==", "Jz2cf/EsQ7h2XPbp5ALCLvoL1Ic="},  // localization/hi.pak
    {"bG9jYWxpemF0aW9uL2hpLnBhay5pbmZv", "0WLp3IFbRPXAZjoWpUXGjg0b2vc="},  // localization/hi.pak.info
    {"bG9jYWxpemF0aW9uL2hyLnBhaw==", "vB4xa7PCm/XPiGqWp21tFmWtbGU="},  // localization/hr.pak
    {"bG9jYWxpemF0aW9uL2hyLnBhay5pbmZv", "pYLPOY8PdyL4zQRPzfP66X9RCzY="},  // localization/hr.pak.info
    {"bG9jYWxpemF0aW9uL2h1LnBhaw==", "B8pfujW4ayqLjoqj9TvJFw7oQsQ="},  // localization/hu.pak
    {"bG9jYWxpemF0aW9uL2h1LnBhay5pbmZv", "cAGHeKepozaf3xNZCxRR5BXl9HA="},  // localization/hu.pak.info
    {"bG9jYWxpemF0aW9uL2lkLnBhaw==", "7EJjrIL0ma8Ubu8PIUsxROAWVRk="},  // localization/id.pak
    {"bG9jYWxpemF0aW9uL2lkLnBhay5pbmZv", "4zWL7/1HqA2yLC59L061AqBuz8c="},  // localization/id.pak.info
    {"bG9jYWxpemF0aW9uL2l0LnBhaw==", "EQX2UUhYv3dvxh3u+/mKxhT1rRI="},  // localization/it.pak
    {"bG9jYWxpemF0aW9uL2l0LnBhay5pbmZv", "SsJup5uDHP315s5WkjAj5iAU08c="},  // localization/it.pak.info
    {"bG9jYWxpemF0aW9uL2phLnBhaw==", "PQz4UxMy381HomOrK+iXRqE+Mg8="},  // localization/ja.pak
    {"bG9jYWxpemF0aW9uL2phLnBhay5pbmZv", "UHKQ5Fir2WY3JaVURyXFQMfhrb4="},  // localization/ja.pak.info
    {"bG9jYWxpemF0aW9uL2tuLnBhaw==", "sIanvYH/QiFQl4pKpb3ySrR8mfg="},  // localization/kn.pak
    {"bG9jYWxpemF0aW9uL2tuLnBhay5pbmZv", "kT7F5YxRrzzpkCi6szHvmyFfcUA="},  // localization/kn.pak.info
    {"bG9jYWxpemF0aW9uL2tvLnBhaw==", "6cnefjnbnKxOgVq/VLx4cfLdF2A="},  // localization/ko.pak
    {"bG9jYWxpemF0aW9uL2tvLnBhay5pbmZv", "J/7LcrfsEB84pcyCZQPEUOmXv3k="},  // localization/ko.pak.info
    {"bG9jYWxpemF0aW9uL2x0LnBhaw==", "/GSaDowst4oqdLpyof4X7aGpGDI="},  // localization/lt.pak
    {"bG9jYWxpemF0aW9uL2x0LnBhay5pbmZv", "33QG8hnMRN3WXRRf+QU9WQ6lriE="},  // localization/lt.pak.info
    {"bG9jYWxpemF0aW9uL2x2LnBhaw==", "qqfxDNTjQz5CBw/j0uMkQtJUmC0="},  // localization/lv.pak
    {"bG9jYWxpemF0aW9uL2x2LnBhay5pbmZv", "OEtiLMOe6D3H/pDFmy88w2AIIEo="},  // localization/lv.pak.info
    {"bG9jYWxpemF0aW9uL21sLnBhaw==", "L1mT1KopXDGhjldI+/0C5SNgrtE="},  // localization/ml.pak
    {"bG9jYWxpemF0aW9uL21sLnBhay5pbmZv", "C+cfzu61NEBRaHcCC7r76wBz2h4="},  // localization/ml.pak.info
    {"bG9jYWxpemF0aW9uL21yLnBhaw==", "XZpotDWOpsdgRn7yVg4JOSjzqSU="},  // localization/mr.pak
    {"bG9jYWxpemF0aW9uL21yLnBhay5pbmZv", "OZbZYXVpQaWGwd/hs73TfOb1wkE="},  // localization/mr.pak.info
    {"bG9jYWxpemF0aW9uL21zLnBhaw==", "Q+CeMdTnwpM6SNNMFZa/6mhQ3gY="},  // localization/ms.pak
    {"bG9jYWxpemF0aW9uL21zLnBhay5pbmZv", "/0Kf+eKSB/xeThYXOQIxPokhqac="},  // localization/ms.pak.info
    {"bG9jYWxpemF0aW9uL25iLnBhaw==", "W9qTzItQukeXpCtN5llfC2FbKu8="},  // localization/nb.pak
    {"bG9jYWxpemF0aW9uL25iLnBhay5pbmZv", "lZzHaOaYxpPbaWNfO+beuzAFbKQ="},  // localization/nb.pak.info
    {"bG9jYWxpemF0aW9uL25sLnBhaw==", "vfmmW81s+aw8tZ56o1YaMDjWt5c="},  // localization/nl.pak
    {"bG9jYWxpemF0aW9uL25sLnBhay5pbmZv", "cS9MmqTVqmmZCiGIyEz84e+GdYk="},  // localization/nl.pak.info
    {"bG9jYWxpemF0aW9uL3BsLnBhaw==", "kxTLigSL14oPEgsWCpHeZ332wk4="},  // localization/pl.pak
    {"bG9jYWxpemF0aW9uL3BsLnBhay5pbmZv", "8ZR7x+sGAlZ7GFqnW780rOmFG+4="},  // localization/pl.pak.info
    {"bG9jYWxpemF0aW9uL3B0LUJSLnBhaw==", "i38px+DT8xz7qMZx2woEmJ1sfWg="},  // localization/pt-BR.pak
    {"bG9jYWxpemF0aW9uL3B0LUJSLnBhay5pbmZv", "wvlSFTNCktTMEDUyxhFqRvUGOQE="},  // localization/pt-BR.pak.info
    {"bG9jYWxpemF0aW9uL3B0LVBULnBhaw==", "sl23Bjb0765kNl+lLwdVJestXqs="},  // localization/pt-PT.pak
    {"bG9jYWxpemF0aW9uL3B0LVBULnBhay5pbmZv", "261J6mqTVmtzmNru0Wdh3W5xjMI="},  // localization/pt-PT.pak.info
    {"bG9jYWxpemF0aW9uL3JvLnBhaw==", "DTDhWaJwTeXGI0l18aezEOxT6Rc="},  // localization/ro.pak
    {"bG9jYWxpemF0aW9uL3JvLnBhay5pbmZv", "ezauGnbDPJc8z63osmkNlX9XL7Q="},  // localization/ro.pak.info
    {"bG9jYWxpemF0aW9uL3J1LnBhaw==", "f4zp8CMqamK/Srrn5hd0WZZmRFE="},  // localization/ru.pak
    {"bG9jYWxpemF0aW9uL3J1LnBhay5pbmZv", "s06fe/hJOMqKvixGdiiiZDUnr6c="},  // localization/ru.pak.info
    {"bG9jYWxpemF0aW9uL3NrLnBhaw==", "7bAXFGkpS6CljlBUPF+NshGkTfk="},  // localization/sk.pak
    {"bG9jYWxpemF0aW9uL3NrLnBhay5pbmZv", "TgJnTwhCDVfPCBKu2jTQdnrys2I="},  // localization/sk.pak.info
    {"bG9jYWxpemF0aW9uL3NsLnBhaw==", "e+K2T246Gaac1pXiA4NzEbMVoao="},  // localization/sl.pak
    {"bG9jYWxpemF0aW9uL3NsLnBhay5pbmZv", "pmZWvO9YUL7G0ySZHfOgKUeKv1w="},  // localization/sl.pak.info
    {"bG9jYWxpemF0aW9uL3NyLnBhaw==", "DwGtammKtiTEdaG2kiyTGVRfDd4="},  // localization/sr.pak
    {"bG9jYWxpemF0aW9uL3NyLnBhay5pbmZv", "I6LN/AETDQjB/rbN5nvblFqeSnY="},  // localization/sr.pak.info
    {"bG9jYWxpemF0aW9uL3N2LnBhaw==", "zWXDiHDSWfqT5pgsCqkUak5jWE4="},  // localization/sv.pak
    {"bG9jYWxpemF0aW9uL3N2LnBhay5pbmZv", "HvON6HHDtBiuGepmsxBt8LRby6Y="},  // localization/sv.pak.info
    {"bG9jYWxpemF0aW9uL3N3LnBhaw==", "ebzjoBmEx75fQ/BhfhTMOYxkAXg="},  // localization/sw.pak
    {"bG9jYWxpemF0aW9uL3N3LnBhay5pbmZv", "yqLqiNhhnhCdRrMd4rbkuuwOVXo="},  // localization/sw.pak.info
    {"dGFydm9fMTAwX3BlcmNlbnQucGFr", "gO1gPzW8V7wFNDx4HqlRpK9hVRA="},  // tarvo_100_percent.pak
    {"dGFydm9fMTAwX3BlcmNlbnQucGFrLmluZm8=", "egK06UkUvON7mGSUF7ZDtFKFPAE="},  // tarvo_100_percent.pak.info
    {"dGFydm9fMTI1X3BlcmNlbnQucGFr", "lp5hNzUcMx6NvDLkgdDchDoUEQI="},  // tarvo_125_percent.pak
    {"dGFydm9fMTI1X3BlcmNlbnQucGFrLmluZm8=", "KsdRoDlXhJLUiX05PXRD9aFxmig="},  // tarvo_125_percent.pak.info
    {"dGFydm9fMTUwX3BlcmNlbnQucGFr", "5lEQnxLKiLGeIVoBKw90pKyQtOw="},  // tarvo_150_percent.pak
    {"dGFydm9fMTUwX3BlcmNlbnQucGFrLmluZm8=", "PYo4nHSHIsYbprYnS3+d1knr1bQ="},  // tarvo_150_percent.pak.info
    {"dGFydm9fMjAwX3BlcmNlbnQucGFr", "GTeA/oEHaVrMY1CtRmKEFvAm6G0="},  // tarvo_200_percent.pak
    {"dGFydm9fMjAwX3BlcmNlbnQucGFrLmluZm8=", "qmkgQkEgtLKELkZSJ2yAUy2DYpo="},  // tarvo_200_percent.pak.info
    {"dGFydm9fMjUwX3BlcmNlbnQucGFr", "Q6pDAh2ggQpJv6bgo5+s5vRJuVM="},  // tarvo_250_percent.pak
    {"dGFydm9fMjUwX3BlcmNlbnQucGFrLmluZm8=", "4m1JS3izeCZuVSRuWsLG0OkbulI="},  // tarvo_250_percent.pak.info
};

static_assert(std::size(kDownloadableResources) == 100);

}  // namespace

std::span<const DownloadableResource> GetDownloadableResources() {
  return kDownloadableResources;
}
