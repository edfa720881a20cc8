// Runs in the map page after its own scripts, once the page has loaded (so after initialize()).
// It runs each host call text of HOST_CALLS as a script of its own, as the host's web view does, takes
// a snapshot of the stand-in's state after each call, then loads the moving marker's picture through
// the page's own relative address, and writes everything as JSON into <pre id="kemlog-result">.
(function () {
  var errors = [];
  // Added after the page's window.onerror, so it sees whether that handler swallowed the error.
  window.addEventListener("error", function (e) {
    errors.push({ message: String(e.message), swallowed: e.defaultPrevented });
  });

  function pos(p) { return p ? [p.lat(), p.lng()] : null; }

  function snapshot(call) {
    var made = google.maps.__made;
    var globals = {};
    ["aitmarker", "redMarker", "startMarker", "endMarker"].forEach(function (name) {
      globals[name] = made.markers.indexOf(window[name]);  // -1 while not made
    });
    var routes = window.file_poly_array || [];
    var paths = window.file_path_array || [];
    return {
      call: call,
      errors: errors.splice(0),
      maps: made.maps.map(function (m) {
        return { center: pos(m.center), zoom: m.zoom, mapTypeId: m.mapTypeId, element: m.element.id,
                 isPageMap: m === window.map };
      }),
      markers: made.markers.map(function (k) {
        return { position: pos(k.position), icon: k.icon === undefined ? null : k.icon,
                 title: k.title === undefined ? null : k.title, onPageMap: !!k.map && k.map === window.map };
      }),
      polylines: made.polylines.map(function (l) {
        return { points: l.path.getArray().map(pos), strokeColor: l.strokeColor, strokeOpacity: l.strokeOpacity,
                 strokeWeight: l.strokeWeight, onPageMap: !!l.map && l.map === window.map };
      }),
      globals: globals,
      file_poly_idx: window.file_poly_idx,
      routes: routes.map(function (r) { return made.polylines.indexOf(r); }),
      pathsMatchRoutes: paths.length === routes.length && paths.every(function (p, i) {
        return !!routes[i] && p === routes[i].getPath();
      })
    };
  }

  function finish(result) {
    var pre = document.createElement("pre");
    pre.id = "kemlog-result";
    pre.textContent = JSON.stringify(result);
    document.body.appendChild(pre);
  }

  function pictureFacts(img) {
    var facts = { width: img.naturalWidth, height: img.naturalHeight, alpha: null };
    try {
      var canvas = document.createElement("canvas");
      canvas.width = img.naturalWidth;
      canvas.height = img.naturalHeight;
      var g = canvas.getContext("2d");
      g.drawImage(img, 0, 0);
      var alphaAt = function (x, y) { return g.getImageData(x, y, 1, 1).data[3]; };
      facts.alpha = { corner: alphaAt(0, 0), centre: alphaAt(12, 12) };
    } catch (e) {
      facts.alphaError = String(e);
    }
    return facts;
  }

  window.addEventListener("load", function () {
    var steps = [snapshot("(loaded)")];
    HOST_CALLS.forEach(function (call) {
      var script = document.createElement("script");
      script.text = call;
      document.body.appendChild(script);  // runs now; an error goes to the window's error handlers
      steps.push(snapshot(call));
    });
    var result = { steps: steps, onerrorResult: null, picture: null };
    if (typeof window.onerror === "function") result.onerrorResult = window.onerror("probe", "", 0, 0, null);
    var icon = window.aitmarker ? window.aitmarker.icon : null;
    if (typeof icon !== "string") { finish(result); return; }
    var img = new Image();
    img.onload = function () { result.picture = pictureFacts(img); result.pictureUrl = img.src; finish(result); };
    img.onerror = function () { result.pictureUrl = img.src; finish(result); };
    img.src = icon;
  });
})();
