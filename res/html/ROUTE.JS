// The clip's route on the live map: a thin line under the marker, the part already travelled
// stronger, and a click near the line that asks the program to play that second.
//
// The program hands the route once (SetRoute) and the second the picture shows with every
// position step (SetRouteSecond). A 24-hour log has 86,400 points: the line shows at most
// ROUTE_MAX_DRAWN of them, those of the current zoom level that lie near the view, so that
// the map's redraw after each step's pan stays small.

var ROUTE_MAX_DRAWN = 2000;
// Points closer than this to the last one kept at a zoom level are left out there.
var ROUTE_SPACING_PX = 2;
// How far from the line a click still counts as one on the line.
var ROUTE_CLICK_PX = 6;
// The drawn part reaches this many view sizes beyond each side of the view, so that the
// usual pan of a position step stays inside it and changes nothing.
var ROUTE_MARGIN_VIEWS = 1;

var route = null;

// What the page shows of the route: points drawn, of them travelled, points handed over.
function RouteInfo() {
    if (!route)
        return { drawn: 0, travelled: 0, total: 0 };
    return { drawn: route.drawn, travelled: route.travelled, total: route.lat.length };
}

// Web Mercator at zoom level 0 (256 pixels round the world), as the map projects.
function RouteProjectX(lng) {
    return 256 * (lng + 180) / 360;
}

function RouteProjectY(lat) {
    var limited = Math.max(-85.0511287798, Math.min(85.0511287798, lat));
    var s = Math.sin(limited * Math.PI / 180);
    return 256 * (0.5 - Math.log((1 + s) / (1 - s)) / (4 * Math.PI));
}

// A longitude moved by whole turns to lie within half a turn of lngNear: a route across the
// date line stays one line, and the marker stays on the same copy of the world as the line.
function RouteNearLng(lng, lngNear) {
    return lng - 360 * Math.round((lng - lngNear) / 360);
}

// points: [[latitude, longitude, second], ...] in the order of the clip.
function SetRoute(points) {
    ClearRoute();
    if (!map || !points || !points.length)
        return;
    var n = points.length;
    var r = {
        lat: new Float64Array(n), lng: new Float64Array(n), sec: new Float64Array(n),
        x: new Float64Array(n), y: new Float64Array(n),
        byZoom: {}, view: null, parts: [], drawn: 0, travelled: 0, second: -1, travelledKey: ""
    };
    var lngBefore = NaN;
    for (var i = 0; i < n; ++i) {
        var p = points[i];
        var lng = isNaN(lngBefore) ? p[1] : RouteNearLng(p[1], lngBefore);
        lngBefore = lng;
        r.lat[i] = p[0];
        r.lng[i] = lng;
        r.sec[i] = p[2];
        r.x[i] = RouteProjectX(lng);
        r.y[i] = RouteProjectY(p[0]);
    }
    r.line = L.polyline([], { color: "#1e88e5", weight: 2, opacity: 0.7, interactive: false });
    r.done = L.polyline([], { color: "#0d47a1", weight: 5, opacity: 0.9, interactive: false });
    route = r;
    map.addLayer(r.line);
    map.addLayer(r.done);
    map.on("moveend", UpdateRouteView);
    map.on("click", OnRouteClick);
    UpdateRouteView();
}

function ClearRoute() {
    if (!route)
        return;
    map.off("moveend", UpdateRouteView);
    map.off("click", OnRouteClick);
    map.removeLayer(route.line);
    map.removeLayer(route.done);
    route = null;
}

// The route's points kept at zoom level z: the first, the last, and each one at least
// ROUTE_SPACING_PX from the one kept before it.
function RouteAtZoom(z) {
    if (route.byZoom[z])
        return route.byZoom[z];
    var n = route.lat.length;
    var minGap = ROUTE_SPACING_PX / Math.pow(2, z);
    var minGap2 = minGap * minGap;
    var kept = new Int32Array(n);
    var k = 0;
    kept[k++] = 0;
    var xLast = route.x[0], yLast = route.y[0];
    for (var i = 1; i < n - 1; ++i) {
        var dx = route.x[i] - xLast, dy = route.y[i] - yLast;
        if (dx * dx + dy * dy >= minGap2) {
            kept[k++] = i;
            xLast = route.x[i];
            yLast = route.y[i];
        }
    }
    if (n > 1)
        kept[k++] = n - 1;
    route.byZoom[z] = kept.subarray(0, k);
    return route.byZoom[z];
}

// Chooses the points to draw for the map's view: the kept points of the zoom level that lie in
// the view and its margin, with their neighbours outside so that lines leave the view, in
// runs broken where the route leaves the margin; if that is more than ROUTE_MAX_DRAWN, every
// k-th of each run and its ends.
function UpdateRouteView() {
    if (!route)
        return;
    var z = map.getZoom();
    var view = map.getPixelBounds();
    var v = route.view;
    if (v && v.z === z && view.min.x >= v.minX && view.max.x <= v.maxX && view.min.y >= v.minY && view.max.y <= v.maxY)
        return;
    var scale = Math.pow(2, z);
    var w = (view.max.x - view.min.x) * ROUTE_MARGIN_VIEWS, h = (view.max.y - view.min.y) * ROUTE_MARGIN_VIEWS;
    v = { z: z, minX: view.min.x - w, maxX: view.max.x + w, minY: view.min.y - h, maxY: view.max.y + h };
    var minX = v.minX / scale, maxX = v.maxX / scale, minY = v.minY / scale, maxY = v.maxY / scale;

    var kept = RouteAtZoom(z);
    var m = kept.length;
    var inside = function (j) {
        var i = kept[j];
        return route.x[i] >= minX && route.x[i] <= maxX && route.y[i] >= minY && route.y[i] <= maxY;
    };
    var runs = [];
    var run = null;
    var count = 0;
    var insideBefore = false, insideHere = m > 0 && inside(0);
    for (var j = 0; j < m; ++j) {
        var insideAfter = j + 1 < m && inside(j + 1);
        if (insideBefore || insideHere || insideAfter) {
            if (!run) {
                run = [];
                runs.push(run);
            }
            run.push(kept[j]);
            ++count;
        } else {
            run = null;
        }
        insideBefore = insideHere;
        insideHere = insideAfter;
    }
    if (count > ROUTE_MAX_DRAWN)
        runs = ThinRuns(runs, count);
    count = 0;
    for (var c = 0; c < runs.length; ++c)
        count += runs[c].length;
    route.view = v;
    route.parts = runs;
    route.drawn = count;
    route.line.setLatLngs(RouteLatLngs(runs, Infinity));
    route.travelledKey = "";
    ShowTravelled();
}

// Every k-th point of the runs, within ROUTE_MAX_DRAWN; while the runs are few, each keeps
// its ends, so that the line still reaches the view's edges.
function ThinRuns(runs, count) {
    var keepEnds = 4 * runs.length <= ROUTE_MAX_DRAWN;
    var stride = Math.ceil(count / (keepEnds ? ROUTE_MAX_DRAWN - 2 * runs.length : ROUTE_MAX_DRAWN));
    var thinned = [];
    var k = 0;
    for (var r = 0; r < runs.length; ++r) {
        var thin = [];
        for (var t = 0; t < runs[r].length; ++t, ++k) {
            var bEnd = keepEnds && (t === 0 || t + 1 === runs[r].length);
            if (k % stride === 0 || bEnd)
                thin.push(runs[r][t]);
        }
        if (thin.length)
            thinned.push(thin);
    }
    return thinned;
}

// The runs' points up to second nUpTo, as the map takes them.
function RouteLatLngs(runs, nUpTo) {
    var out = [];
    for (var r = 0; r < runs.length; ++r) {
        var part = [];
        for (var t = 0; t < runs[r].length; ++t) {
            var i = runs[r][t];
            if (route.sec[i] > nUpTo)
                break;
            part.push([route.lat[i], route.lng[i]]);
        }
        if (part.length)
            out.push(part);
        if (part.length < runs[r].length)
            break;
    }
    return out;
}

// The second the picture shows: the route up to it is drawn as travelled.
function SetRouteSecond(second) {
    if (!route)
        return;
    route.second = Number(second);
    ShowTravelled();
}

function ShowTravelled() {
    var runs = route.parts;
    var count = 0;
    var key = "";
    for (var r = 0; r < runs.length; ++r) {
        var run = runs[r];
        // The points of the run up to the second: the first one after it, by halving.
        var lo = 0, hi = run.length;
        while (lo < hi) {
            var mid = (lo + hi) >> 1;
            if (route.sec[run[mid]] <= route.second)
                lo = mid + 1;
            else
                hi = mid;
        }
        count += lo;
        if (lo < run.length) {
            key = r + ":" + lo;
            break;
        }
    }
    key = key || "all";
    route.travelled = count;
    // Between two drawn points the travelled line stays as it is.
    if (key === route.travelledKey)
        return;
    route.travelledKey = key;
    route.done.setLatLngs(RouteLatLngs(runs, route.second));
}

// The route point nearest to a click, if the line passes within ROUTE_CLICK_PX of it: of the
// nearest segment the end nearer to the click. -1 if the click is off the line.
function RouteNearest(latlng) {
    var z = map.getZoom();
    var scale = Math.pow(2, z);
    // The map does not wrap its longitudes: the view and the line are on the same copy of the world.
    var px = RouteProjectX(latlng.lng) * scale;
    var py = RouteProjectY(latlng.lat) * scale;
    var tol = ROUTE_CLICK_PX;
    var best = -1, bestD2 = tol * tol;
    var n = route.lat.length;
    var x = route.x, y = route.y;
    for (var i = 0; i < n; ++i) {
        var ax = x[i] * scale - px, ay = y[i] * scale - py;
        var bx = ax, by = ay;
        if (i + 1 < n) {
            bx = x[i + 1] * scale - px;
            by = y[i + 1] * scale - py;
        }
        // Both ends beyond the same side of the click's square: the segment cannot be near.
        if ((ax > tol && bx > tol) || (ax < -tol && bx < -tol) || (ay > tol && by > tol) || (ay < -tol && by < -tol))
            continue;
        var dx = bx - ax, dy = by - ay;
        var len2 = dx * dx + dy * dy;
        var f = len2 > 0 ? Math.max(0, Math.min(1, -(ax * dx + ay * dy) / len2)) : 0;
        var cx = ax + f * dx, cy = ay + f * dy;
        var d2 = cx * cx + cy * cy;
        if (d2 <= bestD2) {
            bestD2 = d2;
            best = f <= 0.5 || i + 1 >= n ? i : i + 1;
        }
    }
    return best;
}

function OnRouteClick(e) {
    if (!route || !bIsCustomBrowserX)
        return;
    var i = RouteNearest(e.latlng);
    if (i >= 0)
        window.external.CB_SeekToRouteSecond(route.sec[i]);
}

// Where route point i is on the page, for whoever wants to click it; null if none.
function RoutePointOnPage(i) {
    if (!route || i < 0 || i >= route.lat.length)
        return null;
    var p = map.latLngToContainerPoint([route.lat[i], route.lng[i]]);
    var box = map.getContainer().getBoundingClientRect();
    return { x: Math.round(box.left + map.getContainer().clientLeft + p.x),
             y: Math.round(box.top + map.getContainer().clientTop + p.y),
             second: route.sec[i] };
}
